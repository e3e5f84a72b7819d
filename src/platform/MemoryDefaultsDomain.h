// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DefaultsDomain.h"

#include <QMutex>
#include <QVariantMap>

// The last resort when no file can be written: values last as long as the process.
class MemoryDefaultsDomain : public DefaultsDomain
{
public:
    QVariant value(const QString& key) const override;
    void modify(const QString& key, const Modifier& modifier) override;
    QString location() const override;

private:
    mutable QMutex m_mutex;
    QVariantMap m_values;
};
