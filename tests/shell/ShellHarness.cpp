// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellHarness.h"

#include "AppCommands.h"
#include "AppModel.h"
#include "MainWindow.h"
#include "MemoryDefaultsDomain.h"
#include "RecordingUserDriver.h"
#include "UpdaterController.h"

#include <QTest>

using namespace Qt::StringLiterals;

QVariantMap ShellHarness::standardInfo()
{
    return { { u"CFBundleName"_s, u"Kudora"_s },
             { u"CFBundleIdentifier"_s, u"org.kudora.Kudora"_s },
             { u"CFBundleShortVersionString"_s, u"1.0"_s },
             { u"CFBundleVersion"_s, u"1"_s } };
}

ShellHarness::ShellHarness(const QVariantMap& info, KudoraApp::Parts parts)
{
    workspace.refuses = true;
    fixture.makeBundle(u"Applications/Alpha.app"_s, AlphaID, 111);
    fixture.makeBundle(u"Applications/Beta.app"_s, BetaID, 222);
    fixture.makeFolder(u"home"_s);

    parts.info = info;
    if (!parts.workspace)
        parts.workspace = &workspace;
    if (!parts.preferences) {
        m_preferences = std::make_unique<PreferencesService>(std::make_shared<MemoryDefaultsDomain>());
        parts.preferences = m_preferences.get();
    }
    if (!parts.sources)
        parts.sources = AppSources { std::make_shared<const AppScanner>(fixture.pathOf(u"Applications"_s),
                                                                        fixture.pathOf(u"home"_s)) };
    // Each harness's window starts afresh unless the test says where its state is kept.
    if (!parts.windowStateFile)
        parts.windowStateFile = fixture.pathOf(u"state/window.json"_s);
    if (!parts.makeUpdaterController)
        parts.makeUpdaterController = [](const QVariantMap& info, Workspace& workspace) {
            return std::make_unique<UpdaterController>(true, std::make_unique<RecordingUserDriver>(),
                                                       std::make_shared<MemoryDefaultsDomain>(), info,
                                                       workspace);
        };
    m_app = std::make_unique<KudoraApp>(std::move(parts));
}

ShellHarness::~ShellHarness() = default;

bool ShellHarness::openAndActivate()
{
    m_app->openMainWindow();
    return QTest::qWaitForWindowActive(&window())
        && QTest::qWaitFor([this] { return !app().model().isScanning() && !app().model().apps().isEmpty(); });
}

QAction* ShellHarness::action(QLatin1StringView name) const
{
    return m_app->commands().action(name);
}
