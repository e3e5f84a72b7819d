// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppCommands.h"
#include "AppModel.h"
#include "AppScanner.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "ContentView.h"
#include "FixtureTree.h"
#include "KudoraApp.h"
#include "MainWindow.h"
#include "MemoryDefaultsDomain.h"
#include "MessageBar.h"
#include "NamedChild.h"
#include "PreferencesService.h"
#include "RecordingWorkspace.h"
#include "TestFeed.h"
#include "UpdaterController.h"

#include <QLabel>
#include <QTest>

// A KudoraApp on an information dictionary of the test's (without an update feed unless asked),
// named after it as main() names it, an Applications folder holding two App Store applications, a
// store in memory and a recording desktop that refuses every address.
class ShellHarness
{
public:
    static QVariantMap standardInfo()
    {
        return { { QStringLiteral("CFBundleName"), QStringLiteral("Kudora") },
                 { QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.kudora.Kudora") },
                 { QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.0") },
                 { QStringLiteral("CFBundleVersion"), QStringLiteral("1") } };
    }

    explicit ShellHarness(const QVariantMap& info = standardInfo(), ProgramParts parts = {})
    {
        workspace.refuses = true;
        fixture.makeBundle(QStringLiteral("Applications/Alpha.app"), AlphaID, 111);
        fixture.makeBundle(QStringLiteral("Applications/Beta.app"), BetaID, 222);
        KudoraApp::describeApplication(info);
        parts.info = info;
        if (!parts.workspace)
            parts.workspace = &workspace;
        if (!parts.preferences)
            parts.preferences = &m_preferences;
        if (!parts.sources)
            parts.sources = AppSources { std::make_shared<const AppScanner>(
                fixture.pathOf(QStringLiteral("Applications")), fixture.makeFolder(QStringLiteral("home"))) };
        // Each harness's window starts afresh unless the test says where its state is kept.
        if (!parts.windowStateFile)
            parts.windowStateFile = fixture.pathOf(QStringLiteral("state/window.json"));
        if (!parts.makeUpdaterController)
            parts.makeUpdaterController = [](const QVariantMap& info, Workspace& workspace) {
                return std::make_unique<UpdaterController>(true, std::make_unique<RecordingUserDriver>(),
                                                           std::make_shared<MemoryDefaultsDomain>(), info,
                                                           workspace);
            };
        m_app = std::make_unique<KudoraApp>(std::move(parts));
    }

    KudoraApp& app() const { return *m_app; }
    MainWindow& window() const { return m_app->mainWindow(); }

    // Shows the main window, makes it the active one and waits for the first scan.
    bool openAndActivate()
    {
        m_app->openMainWindow();
        return QTest::qWaitForWindowActive(&window()) && QTest::qWaitFor([this] {
                   return !app().model().isScanning() && !app().model().apps().isEmpty();
               });
    }

    // The command's action, by its name (CommandNames).
    QAction* action(QLatin1StringView name) const { return m_app->commands().action(name); }

    AppTableView& table() const
    {
        return *namedChild<AppTableView>(window().contentView(), QStringLiteral("applicationTable"));
    }
    // The table's row of the application with id; -1 when none shows it.
    int rowOf(const QString& id) const
    {
        const QAbstractItemModel* rows = table().model();
        for (int row = 0; row < rows->rowCount(); ++row)
            if (rows->index(row, 0).data(AppTableModel::IdRole).value<AppId>().text() == id)
                return row;
        return -1;
    }
    MessageBar* messageBar() const { return window().contentView()->messageBar(); }
    // What the message bar says; empty while it is hidden.
    QString shownMessage() const
    {
        return messageBar()->isVisible()
            ? namedChild<QLabel>(messageBar(), QStringLiteral("messageText"))->text()
            : QString();
    }

    RecordingWorkspace workspace;
    FixtureTree fixture;

    static inline const QString AlphaID = QStringLiteral("com.example.alpha"),
                                BetaID = QStringLiteral("com.example.beta");

private:
    PreferencesService m_preferences { std::make_shared<MemoryDefaultsDomain>() };
    std::unique_ptr<KudoraApp> m_app;
};
