// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppSource.h"

#include <QCoreApplication>
#include <QString>

class AppModel;

// The words the window has for the catalogue: what its store is called, and the one summary of
// its counts that the status bar and the empty-state message show. A catalogue of App Store
// applications alone speaks of the "App Store"; one that also lists other stores speaks of "store"
// in general, since "App Store" would be plainly wrong for a Flatpak row.
class CatalogueTexts
{
    Q_DECLARE_TR_FUNCTIONS(CatalogueTexts)

public:
    explicit CatalogueTexts(const AppSources& sources);

    struct Summary
    {
        // "12 App Store apps found · 3 ignored", or "3 ignored apps" while showing ignored ones.
        QString status;
        // "No App Store apps found." or "No ignored apps."
        QString emptyMessage;
        // "3 apps ignored.", under the empty message; empty when there is nothing to reset.
        QString ignoredNote;
    };
    Summary summary(const AppModel& model) const;
    Summary summary(qsizetype appCount, qsizetype ignoredCount, bool showingIgnored) const;

    bool isAppStoreOnly() const { return m_appStoreOnly; }
    // The title of the column of "Open ↗" cells.
    QString storeColumnTitle() const;
    // What a screen reader says for the "Open ↗" cell of the application called name.
    QString openPageText(const QString& name) const;

private:
    bool m_appStoreOnly;
};
