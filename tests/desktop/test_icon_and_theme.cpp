#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "ApplicationIcon.h"
#include "ContentView.h"
#include "DarkPalette.h"
#include "EmptyStateView.h"
#include "KudoraApp.h"
#include "MainBundle.h"
#include "MainWindow.h"
#include "ShellHarness.h"
#include "StatusBar.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
QString readSource(const QString& relative)
{
    QFile file(QString::fromUtf8(KUDORA_SOURCE_DIR) + u'/' + relative);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// WCAG relative luminance and contrast ratio.
double luminance(QColor color)
{
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF())
        + 0.0722 * channel(color.blueF());
}

double contrast(QColor a, QColor b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The strongest contrast any pixel of area has against background: the core of a glyph stroke
// reaches the text colour, whatever the antialiasing does around it.
double strongestContrast(const QImage& image, const QRect& area, QColor background)
{
    double best = 1;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            best = std::max(best, contrast(image.pixelColor(x, y), background));
    }
    return best;
}

// An area of the window, what the theme puts behind it, and the contrast its text needs.
struct Probe
{
    const char* what;
    QWidget* widget;
    QRect area; // in the widget; all of it when empty
    QColor background;
    double text;
    bool paintedInTheBackground = true;
};

void expectReadable(QWidget& window, const QList<Probe>& probes)
{
    QTest::qWait(50);
    QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    for (const Probe& probe : probes) {
        const QRect local = probe.area.isEmpty() ? probe.widget->rect() : probe.area;
        const QRect area(probe.widget->mapTo(&window, local.topLeft()), local.size());
        EXPECT_GE(strongestContrast(image, area, probe.background), probe.text) << probe.what;
        // Painted in the theme's colour, not a fixed one.
        if (probe.paintedInTheBackground) {
            EXPECT_LT(contrast(image.pixelColor(area.right() - 2, area.center().y()), probe.background), 1.1)
                << probe.what;
        }
    }
}

} // namespace

TEST(ApplicationIcon, IsBuiltInAtEveryWindowIconSizeAndIsTheProgramsIcon)
{
    const QIcon icon = ApplicationIcon::icon();
    for (const int size : ApplicationIcon::sizes())
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    // Sizes between the images are shrunk from the next larger one, never enlarged past the
    // largest; each is drawn, not an empty frame (the centre of the tile is opaque).
    QList<std::pair<int, int>> asked { { 20, 20 }, { 100, 100 }, { 512, 256 } };
    for (const int size : ApplicationIcon::sizes())
        asked.append({ size, size });
    for (const auto& [size, expected] : asked) {
        const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
        EXPECT_EQ(image.size(), QSize(expected, expected)) << size;
        EXPECT_EQ(image.pixelColor(expected / 2, expected / 2).alpha(), 255) << size;
    }

    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    EXPECT_EQ(QApplication::windowIcon().availableSizes(), icon.availableSizes());
    harness.item(u"Kudora"_s, u"About Kudora"_s)->trigger();
    auto* box = harness.window().findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->iconPixmap().toImage().convertToFormat(QImage::Format_ARGB32),
              icon.pixmap(QSize(64, 64), 1.0).toImage().convertToFormat(QImage::Format_ARGB32));
    box->close();
}

// The desktop finds the running program's entry by the name Qt reports, and the software centre
// finds the entry by the name in the description; all of them are the program's identifier.
TEST(DesktopFiles, AreNamedAfterTheProgramsIdentifier)
{
    MainBundle::setInfoDictionaryForTesting(std::nullopt);
    const QString identifier = MainBundle::identifier();
    ASSERT_EQ(identifier, u"org.kudora.Kudora"_s);
    KudoraApp::describeApplication();
    EXPECT_EQ(QGuiApplication::desktopFileName(), identifier);

    const QString desktop = readSource(u"resources/%1.desktop"_s.arg(identifier));
    for (const QString& line : { u"Name=Kudora"_s, u"Exec=kudora"_s, u"Icon=%1"_s.arg(identifier) })
        EXPECT_TRUE(desktop.split(u'\n').contains(line)) << qPrintable(line);
    const QString metainfo = readSource(u"resources/%1.metainfo.xml"_s.arg(identifier));
    EXPECT_TRUE(metainfo.contains(u"<id>%1</id>"_s.arg(identifier)));
    EXPECT_TRUE(metainfo.contains(u">%1.desktop</launchable>"_s.arg(identifier)));
    // The newest release described is the one the About box names.
    static const QRegularExpression release(u"<release version=\"([^\"]*)\""_s);
    EXPECT_EQ(release.match(metainfo).captured(1), MainBundle::shortVersion());
}

// Desktops switch between light and dark while programs run; colours worked out from the palette
// at start must follow.
TEST(Theme, ASwitchToADarkThemeWhileRunningRecoloursEverything)
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
    AppTableView* table = content->tableView();
    const auto cell = [table](int row, int column) {
        return table->visualRect(table->model()->index(row, column));
    };

    for (const QPalette& palette : { light, darkPalette() }) {
        QApplication::setPalette(palette);
        const QColor base = palette.color(QPalette::Base);
        const QColor alternate = palette.color(QPalette::AlternateBase);
        // Neither application was ever reviewed: the last column shows its faint "Never".
        expectReadable(
            window,
            {
                { "status text",
                  content->statusBar()->findChild<QLabel*>(u"statusLabel"_s),
                  {},
                  palette.color(QPalette::Window),
                  4.5,
                  false },
                { "status bar", content->statusBar(), {}, palette.color(QPalette::Window), 1 },
                { "name in row 0", table->viewport(), cell(0, AppTableModel::NameColumn), base, 7.0 },
                { "name in row 1", table->viewport(), cell(1, AppTableModel::NameColumn), alternate, 7.0 },
                { "never reviewed in row 0", table->viewport(), cell(0, AppTableModel::LastReviewedColumn),
                  base, 3.0, false },
                { "never reviewed in row 1", table->viewport(), cell(1, AppTableModel::LastReviewedColumn),
                  alternate, 3.0, false },
            });
    }

    // The empty state's texts and button were made in the light theme too.
    AppModel& model = harness.app().model();
    model.ignoreApps(model.apps());
    EmptyStateView* empty = content->emptyState();
    ASSERT_TRUE(QTest::qWaitFor([empty] { return empty->isVisible(); }));
    const QColor base = darkPalette().color(QPalette::Base);
    expectReadable(window,
                   {
                       { "reset button", empty->resetButton(), {}, base, 4.5, false },
                       { "empty state message",
                         empty->findChild<QLabel*>(u"emptyStateMessage"_s),
                         {},
                         base,
                         4.5,
                         false },
                   });
}
