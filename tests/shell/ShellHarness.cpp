#include "ShellHarness.h"

#include "AppModel.h"
#include "MainBundle.h"
#include "MainWindow.h"
#include "MemoryDefaultsDomain.h"
#include "RecordingUserDriver.h"
#include "UpdaterController.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
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
    MainBundle::setInfoDictionaryForTesting(info);

    workspace.refuses = true;
    fixture.makeBundle(u"Applications/Alpha.app"_s, AlphaID, 111);
    fixture.makeBundle(u"Applications/Beta.app"_s, BetaID, 222);
    fixture.makeFolder(u"home"_s);

    if (!parts.preferences) {
        m_preferences = std::make_unique<PreferencesService>(std::make_shared<MemoryDefaultsDomain>());
        parts.preferences = m_preferences.get();
    }
    if (!parts.sources)
        parts.sources = AppSources { std::make_shared<const AppScanner>(fixture.pathOf(u"Applications"_s),
                                                                        fixture.pathOf(u"home"_s)) };
    if (!parts.makeUpdaterController)
        parts.makeUpdaterController = [] {
            return std::make_unique<UpdaterController>(true, std::make_unique<RecordingUserDriver>(),
                                                       std::make_shared<MemoryDefaultsDomain>());
        };
    m_app = std::make_unique<KudoraApp>(std::move(parts));
}

ShellHarness::~ShellHarness()
{
    m_app.reset();
    MainBundle::setInfoDictionaryForTesting(std::nullopt);
}

bool ShellHarness::openAndActivate()
{
    m_app->openMainWindow();
    return QTest::qWaitForWindowActive(&window())
        && QTest::qWaitFor([this] { return !app().model().isScanning() && !app().model().apps().isEmpty(); });
}

QAction* ShellHarness::item(const QString& menuTitle, const QString& title) const
{
    for (const QAction* menu : window().menuBar()->actions())
        for (QAction* action : menu->text() == menuTitle ? menu->menu()->actions() : QList<QAction*>())
            if (action->text() == title)
                return action;
    return nullptr;
}
