// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// How the program meets the desktop: its icon and entry, dark themes, screen readers, and what it
// keeps between launches.
#include "AppTableModel.h"
#include "AppTableView.h"
#include "ApplicationIcon.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "DarkPalette.h"
#include "EmptyStateView.h"
#include "FieldAssertions.h"
#include "FileDefaultsDomain.h"
#include "FileSystem.h"
#include "LinkButton.h"
#include "LoopbackHttpServer.h"
#include "MainBundle.h"
#include "MessageBar.h"
#include "NamedChild.h"
#include "SearchField.h"
#include "ShellHarness.h"
#include "TestEnvironment.h"
#include "WindowPlacement.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QHeaderView>
#include <QLabel>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace {
// The WCAG contrast ratio of two colours.
double contrast(QColor a, QColor b)
{
    const auto luminance = [](QColor color) {
        const auto channel = [](double c) {
            return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF())
            + 0.0722 * channel(color.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// An area of a widget (all of it when empty), the theme's colour behind it, the contrast its text
// needs, and whether its edge shows that colour.
using Probe = std::tuple<const char*, QWidget*, QRect, QColor, double, bool>;

void expectReadable(QWidget& window, const QList<Probe>& probes)
{
    QTest::qWait(50);
    QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (const auto& [what, widget, inWidget, background, text, paintedInTheBackground] : probes) {
        const QRect local = inWidget.isEmpty() ? widget->rect() : inWidget;
        const QRect area =
            QRect(widget->mapTo(&window, local.topLeft()), local.size()).intersected(image.rect());
        // The core of a glyph stroke reaches the text colour, whatever the antialiasing does around it.
        double strongest = 1;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x)
                strongest = std::max(strongest, contrast(image.pixelColor(x, y), background));
        }
        EXPECT_GE(strongest, text) << what;
        // Painted in the theme's colour, not a fixed one.
        EXPECT_TRUE(!paintedInTheBackground
                    || contrast(image.pixelColor(area.right() - 2, area.center().y()), background) < 1.1)
            << what;
    }
}

QString accessibleName(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
}

} // namespace

TEST(ApplicationIcon, IsBuiltInAtEveryWindowIconSizeAndIsTheProgramsIcon)
{
    const QIcon icon = ApplicationIcon::icon();
    // Sizes between the images are shrunk from the next larger one, never enlarged past the largest.
    QList<std::pair<int, int>> asked { { 20, 20 }, { 100, 100 }, { 512, 256 } };
    for (const int size : ApplicationIcon::sizes()) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
        asked.append({ size, size });
    }
    for (const auto& [size, expected] : asked) {
        const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
        EXPECT_EQ(image.size(), QSize(expected, expected)) << size;
        EXPECT_EQ(image.pixelColor(expected / 2, expected / 2).alpha(), 255) << size;
    }
}

// The desktop and the software centre find the program's entry by its identifier.
TEST(DesktopFiles, AreNamedAfterTheProgramsIdentifier)
{
    const QVariantMap info = MainBundle::infoDictionary();
    const QString identifier = info.value(u"CFBundleIdentifier"_s).toString();
    ASSERT_EQ(identifier, u"org.kudora.Kudora"_s);
    KudoraApp::describeApplication(info);
    EXPECT_EQ(QGuiApplication::desktopFileName(), identifier);

    // The description as CMake writes it, with the project's version (see the shell's tests).
    const auto read = [](const QString& folder, const QString& name) {
        QFile file(folder + u"/resources/"_s + name);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    const QStringList desktop =
        read(QString::fromUtf8(KUDORA_SOURCE_DIR), u"%1.desktop"_s.arg(identifier)).split(u'\n');
    for (const QString& line : { u"Name=Kudora"_s, u"Exec=kudora"_s, u"Icon=%1"_s.arg(identifier) })
        EXPECT_TRUE(desktop.contains(line)) << qPrintable(line);
    const QString metainfo = read(QString::fromUtf8(KUDORA_BINARY_DIR), u"%1.metainfo.xml"_s.arg(identifier));
    for (const QString& text : { u"<id>%1</id>"_s, u">%1.desktop</launchable>"_s })
        EXPECT_TRUE(metainfo.contains(text.arg(identifier))) << qPrintable(text);
}

// Desktops switch between light and dark while programs run; colours worked out at start must follow.
TEST(Desktop, TheWindowIsNamedForScreenReadersAndReadableInLightAndDarkThemes)
{
    const auto restore =
        qScopeGuard([style = QApplication::style()->name(), palette = QApplication::palette()] {
            QApplication::setStyle(QStyleFactory::create(style));
            QApplication::setPalette(palette);
        });
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    const QPalette light = QApplication::style()->standardPalette();
    QApplication::setPalette(light);
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    MainWindow& window = harness.window();
    window.resize(900, 500);
    ContentView* content = window.contentView();
    AppTableView* table = &harness.table();
    auto* status = namedChild<QWidget>(content, u"statusBar"_s);
    auto* statusLabel = namedChild<QLabel>(status, u"statusLabel"_s);

    EXPECT_EQ(QApplication::windowIcon().availableSizes(), ApplicationIcon::icon().availableSizes());
    EXPECT_EQ(accessibleName(&window), u"Kudora"_s);
    EXPECT_EQ(accessibleName(statusLabel), statusLabel->text());
    // A sweep rather than a list, so that a control added later without a name is caught too:
    // every control of the window's, those shown only at times (the toolbar's overflow button,
    // the search field's clear button) included. A text is named by what it says, once it says it.
    const std::function<void(QAccessibleInterface*)> sweep = [&sweep](QAccessibleInterface* node) {
        using enum QAccessible::Role;
        const auto* widget = qobject_cast<const QWidget*>(node->object());
        if (QList { PushButton, CheckBox, RadioButton, ButtonMenu, EditableText, ComboBox, MenuItem }
                .contains(node->role())
            || (widget && widget->focusPolicy() != Qt::NoFocus && node->role() != StaticText)) {
            EXPECT_FALSE(node->text(QAccessible::Name).trimmed().isEmpty())
                << (node->object() ? node->object()->metaObject()->className() : "") << " " << node->role();
        }
        // A cell's name is its text, which the table's own tests check.
        for (int child = 0; node->role() != Table && child < node->childCount(); ++child)
            sweep(node->child(child));
    };
    sweep(QAccessible::queryAccessibleInterface(&window));
    content->searchField()->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return content->searchField()->hasFocus(); }));
    QTest::keyClick(content->searchField(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), table);
    QTest::keyClick(table, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), content->searchField());

    for (const QPalette& palette : { light, darkPalette() }) {
        QApplication::setPalette(palette);
        const QColor background = palette.color(QPalette::Window);
        QList<Probe> probes { { "status text", statusLabel, {}, background, 4.5, false },
                              { "status bar", status, {}, background, 1, true } };
        // Neither application was ever reviewed: the last column shows its faint "Never".
        for (const int row : { 0, 1 }) {
            const QColor base = palette.color(row ? QPalette::AlternateBase : QPalette::Base);
            const auto cell = [&](int column) {
                return table->visualRect(table->model()->index(row, column));
            };
            probes.append({ "name", table->viewport(), cell(AppTableModel::NameColumn), base, 7.0, true });
            probes.append(
                { "never", table->viewport(), cell(AppTableModel::LastReviewedColumn), base, 3.0, false });
        }
        expectReadable(window, probes);
    }

    // The empty state's texts and button were made in the light theme too.
    AppModel& model = harness.app().model();
    model.ignoreApps(model.apps());
    auto* empty = namedChild<EmptyStateView>(content, u"emptyState"_s);
    auto* reset = namedChild<LinkButton>(empty, u"resetIgnoreListButton"_s);
    ASSERT_TRUE(QTest::qWaitFor([empty] { return empty->isVisible(); }));
    const QColor base = darkPalette().color(QPalette::Base);
    expectReadable(
        window,
        { { "reset button", reset, {}, base, 4.5, false },
          { "message", namedChild<QLabel>(empty, u"emptyStateMessage"_s), {}, base, 4.5, false } });
    EXPECT_EQ(accessibleName(reset), u"Reset Ignore List"_s);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(reset)->role(), QAccessible::Button);
}

namespace {
QStringList filesBelow(const QString& folder)
{
    QStringList files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
         it.hasNext();)
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

// The whole program on the real store in the config folder, whose user said yes to automatic checks;
// its updater is offered 2.0, which is skipped.
struct Launch
{
    explicit Launch(const QUrl& feed)
    {
        QVariantMap info = ShellHarness::standardInfo();
        info.insert(u"SUFeedURL"_s, feed.toString());
        domain->setValue(Updater::AutomaticChecksKey, true);
        ProgramParts parts;
        parts.preferences = &preferences;
        parts.windowStateFile = WindowPlacement::defaultFilePath();
        parts.makeUpdaterController = [domain = domain](const QVariantMap& info, Workspace& workspace) {
            auto driver = std::make_unique<RecordingUserDriver>();
            driver->answer = UserDriver::UpdateChoice::Skip;
            return std::make_unique<UpdaterController>(true, std::move(driver), domain, info, workspace,
                                                       TestFeed::loopbackOptions());
        };
        harness = std::make_unique<ShellHarness>(info, std::move(parts));
    }

    std::shared_ptr<DefaultsDomain> domain = DefaultsDomain::open(u"org.kudora.Kudora"_s);
    PreferencesService preferences { domain };
    std::unique_ptr<ShellHarness> harness;
};
} // namespace

TEST(StoredState, TheStoreKeepsTheIgnoreListReviewDatesAndUpdateKeysAndTheWindowItsPlaceApart)
{
    const QString config = TestEnvironment::configPath();
    ASSERT_TRUE(filesBelow(config).isEmpty());
    LoopbackHttpServer server;
    server.serve(u"/appcast.xml"_s, TestFeed::rss({ { u"2"_s, u"2.0"_s } }));
    const QString plist = config + u"/org.kudora.Kudora.plist"_s;

    // Within the offscreen platform's one 800×800 screen.
    const QRect placed(10, 20, 780, 560);
    {
        Launch launch(server.url(u"/appcast.xml"_s));
        ShellHarness& harness = *launch.harness;
        ASSERT_TRUE(harness.openAndActivate());
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return launch.domain->value(Updater::SkippedVersionKey).isValid(); }));

        // Where the window goes, which is kept; what a person rearranges in it, which is not.
        MainWindow& window = harness.window();
        window.setGeometry(placed);
        // Written a moment later already, not only at the end, which a session ended by a signal never
        // reaches.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return WindowPlacement::read(WindowPlacement::defaultFilePath())
                == WindowPlacement::State { placed, false };
        }));
        ContentView* content = window.contentView();
        AppTableView* table = &harness.table();
        QHeaderView* header = table->horizontalHeader();
        const auto click = [](QWidget* widget, QPoint point) {
            QTest::mouseClick(widget, Qt::LeftButton, {}, point);
        };
        click(header->viewport(),
              QPoint(header->sectionViewportPosition(AppTableModel::NameColumn) + 10, header->height() / 2));
        ASSERT_EQ(header->sortIndicatorSection(), AppTableModel::NameColumn);
        header->resizeSection(AppTableModel::LastAccessedColumn, 230);
        harness.action(CommandNames::ToggleToolBar)->trigger();
        QTest::keyClicks(content->searchField(), u"Be"_s);
        harness.app().model().setSearchQuery(QString());

        // What is meant to be kept: a review and an ignored application.
        // Sorted by name: Alpha, then Beta.
        const auto cell = [&](int row, int column) {
            return table->visualRect(table->model()->index(row, column)).center();
        };
        harness.workspace.refuses = false;
        click(table->viewport(), cell(1, AppTableModel::AppStoreColumn));
        harness.workspace.settle();
        click(table->viewport(), cell(0, AppTableModel::NameColumn));
        harness.action(CommandNames::IgnoreRequested)->trigger();
        ASSERT_EQ(harness.app().model().ignoredIDs(), QSet { AppId(ShellHarness::AlphaID) });
    }

    // The domain file and the empty file its writers lock, nothing else (no settings file of Qt's).
    EXPECT_EQ(filesBelow(config),
              (QStringList { u"org.kudora.Kudora.plist"_s, u"org.kudora.Kudora.plist.lock"_s }));
    EXPECT_EQ(QFileInfo(plist + u".lock"_s).size(), 0);
    EXPECT_EQ(filesBelow(QFile::decodeName(qgetenv("XDG_DATA_HOME"))), QStringList());
    EXPECT_EQ(filesBelow(TestEnvironment::homePath() + u"/.local/state"_s),
              QStringList { u"kudora/window.json"_s });
    EXPECT_EQ(PropertyList::readDictionary(plist).value_or(QVariantMap()).keys(),
              (QStringList { u"SUEnableAutomaticChecks"_s, u"SUHasLaunchedBefore"_s, u"SULastCheckTime"_s,
                             u"SUSkippedVersion"_s, u"ignoredIDs"_s, u"reviewDates"_s }));

    // The next launch keeps the review, the ignore list and the window's place, and nothing of the
    // arrangement.
    Launch second(server.url(u"/appcast.xml"_s));
    ASSERT_TRUE(second.harness->openAndActivate());
    MainWindow& window = second.harness->window();
    QHeaderView* header = second.harness->table().horizontalHeader();
    EXPECT_EQ(std::pair(header->sortIndicatorSection(), header->sortIndicatorOrder()),
              std::pair(int(AppTableModel::LastAccessedColumn), Qt::DescendingOrder));
    EXPECT_EQ(header->sectionSize(AppTableModel::LastAccessedColumn), 150);
    EXPECT_FIELDS_EQ(std::tuple(window.geometry(), window.toolBar()->isVisible(),
                                window.contentView()->searchField()->text()),
                     std::tuple(placed, true, QString()));
    const QList<AppInfo> shown = second.harness->app().model().visibleApps();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(std::pair(shown[0].id(), shown[0].lastReviewedDate().has_value()),
              std::pair(AppId(ShellHarness::BetaID), true));
}

// What keeps the user's choices from being saved is said in the window, once: a settings file that
// cannot be read (the session then keeps every change in memory), or a damaged one, kept aside.
TEST(StoredState, TheWindowSaysOnceWhenTheSettingsFileCannotBeUsed)
{
    FixtureTree tree;
    const QString file = tree.pathOf(u"org.kudora.Kudora.plist"_s);
    const QByteArray readable = PropertyList::serialize(
        QVariantMap { { PreferencesService::IgnoredIDsKey, QVariantList { ShellHarness::BetaID } } },
        PropertyList::Format::Binary);
    const struct
    {
        QByteArray before;
        int error;
        QString message;
    } cases[] = {
        { readable, EACCES, u"can’t be saved until Kudora can read its settings file “%1”."_s.arg(file) },
        { readable.left(40), 0, u"start afresh. The damaged file was kept as “%1.corrupt-"_s.arg(file) },
    };
    for (const auto& [before, error, message] : cases) {
        SCOPED_TRACE(qPrintable(message));
        tree.writeFile(u"org.kudora.Kudora.plist"_s, before);
        const FileSystem::FaultScope faults([&](const QString& path) { return path == file ? error : 0; });
        PreferencesService preferences(std::make_shared<FileDefaultsDomain>(file));
        ProgramParts parts;
        parts.preferences = &preferences;
        ShellHarness harness(ShellHarness::standardInfo(), std::move(parts));
        ASSERT_TRUE(harness.openAndActivate());
        EXPECT_TRUE(harness.shownMessage().contains(message)) << qPrintable(harness.shownMessage());
        QTest::mouseClick(harness.messageBar()->findChild<QToolButton*>(u"closeMessage"_s), Qt::LeftButton);
        // The session goes on with what the user does.
        AppTableView* table = &harness.table();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualRect(table->model()->index(0, AppTableModel::NameColumn)).center());
        harness.action(CommandNames::IgnoreRequested)->trigger();
        QSignalSpy rescanned(&harness.app().model(), &AppModel::rescanFinished);
        harness.action(CommandNames::RescanRequested)->trigger();
        ASSERT_TRUE(rescanned.wait());
        EXPECT_EQ(std::pair(harness.messageBar()->isVisible(), harness.app().model().ignoredIDs().size()),
                  std::pair(false, qsizetype(1)));
    }
}

TEST(StoredState, AWindowStateThatIsDamagedOrPlacesTheWindowOffTheScreensGivesTheDefaultSizeCentred)
{
    const QByteArray placed = R"({"x": 10, "y": 20, "width": 780, "height": 560, "maximized": true})";
    const std::pair<QByteArray, std::optional<WindowPlacement::State>> cases[] = {
        // the file (null: none), where the window comes back (none: as without a file)
        { {}, std::nullopt },
        { placed, WindowPlacement::State { QRect(10, 20, 780, 560), true } },
        { "{\"x\": 10,", std::nullopt },
        { QByteArray(placed).replace("780", "\"780\""), std::nullopt },
        { QByteArray(placed).replace("780", "0"), std::nullopt },
        { QByteArray(placed).replace("true", "1"), std::nullopt },
        { QByteArray(placed).replace("780", "5000"), std::nullopt }, // larger than the screen
        { QByteArray(placed).replace("10", "3000"), std::nullopt }, // where no screen is
        // Partly off the screen: the title bar above it, or its side, out of reach.
        { QByteArray(placed).replace("20", "-200"), std::nullopt },
        { QByteArray(placed).replace("\"x\": 10", "\"x\": -50"), std::nullopt },
    };
    WindowPlacement::State unplaced;
    for (const auto& [content, expected] : cases) {
        FixtureTree folder;
        const QString file =
            content.isNull() ? folder.pathOf(u"window.json"_s) : folder.writeFile(u"window.json"_s, content);
        ProgramParts parts;
        parts.windowStateFile = file;
        {
            ShellHarness harness(ShellHarness::standardInfo(), std::move(parts));
            ASSERT_TRUE(harness.openAndActivate());
            MainWindow& window = harness.window();
            const WindowPlacement::State shown { window.normalGeometry(), window.isMaximized() };
            if (content.isNull()) {
                unplaced = shown;
                const QPoint offCentre =
                    shown.geometry.center() - window.screen()->availableGeometry().center();
                EXPECT_LE(offCentre.manhattanLength(), 1);
            }
            EXPECT_EQ(shown, expected.value_or(unplaced)) << content.constData();
        }
        // Written back as it was left, replacing what could not be read.
        EXPECT_EQ(WindowPlacement::read(file), expected.value_or(unplaced)) << content.constData();
    }
}
