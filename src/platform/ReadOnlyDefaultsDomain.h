// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DefaultsDomain.h"

#include <QVariantMap>

// A domain as its file held it when it was opened, for a reader that must change nothing: it
// creates no folder and no lock file, never writes, and drops every change.
class ReadOnlyDefaultsDomain : public DefaultsDomain
{
public:
    // Reads the property-list file at filePath now; a file that is missing or cannot be read
    // holds no values, and one that is there but cannot be read is the domain's trouble.
    explicit ReadOnlyDefaultsDomain(QString filePath);

    QVariant value(const QString& key) const override;
    void modify(const QString& key, const Modifier& modifier) override;
    QString location() const override;
    Trouble trouble() const override { return m_trouble; }

private:
    QString m_filePath;
    QVariantMap m_values;
    Trouble m_trouble;
};
