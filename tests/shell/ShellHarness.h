// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FixtureTree.h"
#include "KudoraApp.h"
#include "PreferencesService.h"
#include "RecordingWorkspace.h"

#include <QLatin1StringView>
#include <QVariantMap>

#include <memory>

class MainWindow;
class QAction;

// A KudoraApp on an information dictionary of the test's (without an update feed unless asked),
// an Applications folder holding two App Store applications, a store in memory and a recording
// desktop that refuses every address.
class ShellHarness
{
public:
    static QVariantMap standardInfo();

    explicit ShellHarness(const QVariantMap& info = standardInfo(), KudoraApp::Parts parts = {});
    ~ShellHarness();

    KudoraApp& app() const { return *m_app; }
    MainWindow& window() const { return m_app->mainWindow(); }

    // Shows the main window, makes it the active one and waits for the first scan.
    bool openAndActivate();

    // The command's action, by its name (CommandNames).
    QAction* action(QLatin1StringView name) const;

    RecordingWorkspace workspace;
    FixtureTree fixture;

    static inline const QString AlphaID = QStringLiteral("com.example.alpha"),
                                BetaID = QStringLiteral("com.example.beta");

private:
    std::unique_ptr<PreferencesService> m_preferences;
    std::unique_ptr<KudoraApp> m_app;
};
