#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "ApplicationIcon.h"
#include "ContentView.h"
#include "DarkPalette.h"
#include "EmptyStateView.h"
#include "KudoraApp.h"
#include "LabelColors.h"
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
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
QString sourcePath(const QString& relative)
{
    return QString::fromUtf8(KUDORA_SOURCE_DIR) + u'/' + relative;
}

QByteArray readSource(const QString& relative)
{
    QFile file(sourcePath(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

QColor over(QColor foreground, QColor background)
{
    const double a = foreground.alphaF();
    return QColor::fromRgbF(float(foreground.redF() * a + background.redF() * (1 - a)),
                            float(foreground.greenF() * a + background.greenF() * (1 - a)),
                            float(foreground.blueF() * a + background.blueF() * (1 - a)));
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

// Draws the window in a given palette and puts the application's own back afterwards.
class ThemeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_styleName = QApplication::style()->name();
        m_palette = QApplication::palette();
        QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    }
    void TearDown() override
    {
        QApplication::setStyle(QStyleFactory::create(m_styleName));
        QApplication::setPalette(m_palette);
    }

    static QPalette lightPalette() { return QApplication::style()->standardPalette(); }

    // The window's pixels as they are on screen, in window coordinates.
    static QImage grab(QWidget& window)
    {
        QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        image.setDevicePixelRatio(1);
        return image;
    }

    static QRect rectIn(QWidget& window, QWidget* widget, QRect rect)
    {
        return QRect(widget->mapTo(&window, rect.topLeft()), rect.size());
    }

    // Checks that the status text and the table's primary and tertiary texts read against what is
    // actually behind them.
    static void expectReadableWindow(ShellHarness& harness, const QPalette& palette)
    {
        MainWindow& window = harness.window();
        ContentView* content = window.contentView();
        AppTableView* table = content->tableView();
        QTest::qWait(50);
        const QImage image = grab(window);

        auto* statusLabel = content->statusBar()->findChild<QLabel*>(u"statusLabel"_s);
        ASSERT_NE(statusLabel, nullptr);
        const QColor window_ = palette.color(QPalette::Window);
        EXPECT_GE(strongestContrast(image, rectIn(window, statusLabel, statusLabel->rect()), window_), 4.5)
            << "status text";
        // The status bar itself is painted in the theme's window colour, not a fixed one.
        const QRect bar = rectIn(window, content->statusBar(), content->statusBar()->rect());
        EXPECT_LT(contrast(image.pixelColor(bar.right() - 2, bar.center().y()), window_), 1.1);

        // Row 0 is drawn on the base colour, row 1 on the alternate one; both sit on the theme.
        for (int row = 0; row < 2; ++row) {
            const QColor background = palette.color(row % 2 ? QPalette::AlternateBase : QPalette::Base);
            const QRect name =
                rectIn(window, table->viewport(),
                       table->visualRect(table->model()->index(row, AppTableModel::NameColumn)));
            EXPECT_LT(contrast(image.pixelColor(name.right() - 2, name.center().y()), background), 1.1)
                << "row " << row;
            EXPECT_GE(strongestContrast(image, name, background), 7.0) << "name in row " << row;
            // Neither application was ever reviewed: the column shows its faint "Never".
            const QRect never =
                rectIn(window, table->viewport(),
                       table->visualRect(table->model()->index(row, AppTableModel::LastReviewedColumn)));
            EXPECT_GE(strongestContrast(image, never, background), 3.0) << "last reviewed in row " << row;
        }
    }

private:
    QString m_styleName;
    QPalette m_palette;
};
} // namespace

TEST(ApplicationIcon, IsBuiltInAtEveryWindowIconSize)
{
    const QIcon icon = ApplicationIcon::icon();
    const QList<QSize> available = icon.availableSizes();
    for (const int size : ApplicationIcon::sizes()) {
        EXPECT_TRUE(available.contains(QSize(size, size))) << size;
        const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
        ASSERT_EQ(image.size(), QSize(size, size)) << size;
        // Drawn, not an empty frame: the centre of the tile is opaque.
        EXPECT_EQ(image.pixelColor(size / 2, size / 2).alpha(), 255) << size;
    }
    // Sizes between the images are shrunk from the next larger one, never enlarged past the
    // largest, and a high-density screen gets its device pixels.
    for (const auto& [asked, expected] :
         { std::pair { 20, 20 }, std::pair { 100, 100 }, std::pair { 512, 256 } }) {
        const QImage image = icon.pixmap(QSize(asked, asked), 1.0).toImage();
        EXPECT_EQ(image.size(), QSize(expected, expected)) << asked;
        EXPECT_EQ(image.pixelColor(expected / 2, expected / 2).alpha(), 255) << asked;
    }
    const QPixmap sharp = icon.pixmap(QSize(32, 32), 2.0);
    EXPECT_EQ(sharp.size(), QSize(64, 64));
    EXPECT_EQ(sharp.deviceIndependentSize().toSize(), QSize(32, 32));
}

TEST(ApplicationIcon, IsTheProgramsWindowIconAndShowsInAbout)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    EXPECT_EQ(QApplication::windowIcon().availableSizes(), ApplicationIcon::icon().availableSizes());
    EXPECT_FALSE(harness.window().windowIcon().isNull());

    QAction* about = harness.item(u"Kudora"_s, u"About Kudora"_s);
    ASSERT_NE(about, nullptr);
    about->trigger();
    auto* box = harness.window().findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(u"Kudora"_s));
    EXPECT_TRUE(box->text().contains(u"Version 1.0"_s));
    const QPixmap shown = box->iconPixmap();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.deviceIndependentSize().toSize(), QSize(64, 64));
    EXPECT_EQ(
        shown.toImage().convertToFormat(QImage::Format_ARGB32),
        ApplicationIcon::icon().pixmap(QSize(64, 64), 1.0).toImage().convertToFormat(QImage::Format_ARGB32));
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

    const QByteArray desktop = readSource(u"resources/%1.desktop"_s.arg(identifier));
    ASSERT_FALSE(desktop.isEmpty());
    QStringList entries;
    for (const QByteArray& line : desktop.split('\n')) {
        if (line.startsWith("Icon=") || line.startsWith("Exec=") || line.startsWith("Name="))
            entries.append(QString::fromUtf8(line));
    }
    EXPECT_EQ(entries, (QStringList { u"Name=Kudora"_s, u"Exec=kudora"_s, u"Icon=%1"_s.arg(identifier) }));

    QXmlStreamReader metainfo(readSource(u"resources/%1.metainfo.xml"_s.arg(identifier)));
    QString id;
    QString launchable;
    QStringList releases;
    while (!metainfo.atEnd()) {
        if (metainfo.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (metainfo.name() == u"id")
            id = metainfo.readElementText();
        else if (metainfo.name() == u"launchable")
            launchable = metainfo.readElementText();
        else if (metainfo.name() == u"release")
            releases.append(metainfo.attributes().value(u"version"_s).toString());
    }
    EXPECT_FALSE(metainfo.hasError()) << metainfo.errorString().toStdString();
    EXPECT_EQ(id, identifier);
    EXPECT_EQ(launchable, identifier + u".desktop"_s);
    // The newest release described is the one the About box names.
    ASSERT_FALSE(releases.isEmpty());
    EXPECT_EQ(releases.first(), MainBundle::shortVersion());
}

TEST(LabelColors, EveryLevelReadsOnLightAndDarkRows)
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(u"Fusion"_s));
    const QPalette light = fusion->standardPalette();
    for (const QPalette& palette : { light, darkPalette() }) {
        for (const QPalette::ColorRole role : { QPalette::Base, QPalette::AlternateBase, QPalette::Window }) {
            const QColor background = palette.color(role);
            EXPECT_GE(contrast(over(LabelColors::primary(palette), background), background), 7.0);
            EXPECT_GE(contrast(over(LabelColors::secondary(palette), background), background), 4.5);
            EXPECT_GE(contrast(over(LabelColors::tertiary(palette), background), background), 3.0);
        }
    }
}

TEST_F(ThemeTest, TheWindowReadsInADarkTheme)
{
    QApplication::setPalette(darkPalette());
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    harness.window().resize(900, 500);
    expectReadableWindow(harness, darkPalette());
}

// Desktops switch between light and dark while programs run; colours worked out from the palette
// at start must follow.
TEST_F(ThemeTest, ASwitchToADarkThemeWhileRunningRecoloursEverything)
{
    QApplication::setPalette(lightPalette());
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    harness.window().resize(900, 500);
    expectReadableWindow(harness, lightPalette());

    QApplication::setPalette(darkPalette());
    expectReadableWindow(harness, darkPalette());

    // The empty state's texts and button were made in the light theme too.
    AppModel& model = harness.app().model();
    model.ignoreApps(model.apps());
    EmptyStateView* empty = harness.window().contentView()->emptyState();
    ASSERT_TRUE(QTest::qWaitFor([empty] { return empty->isVisible(); }));
    QTest::qWait(50);
    MainWindow& window = harness.window();
    const QImage image = grab(window);
    const QColor base = darkPalette().color(QPalette::Base);
    QPushButton* reset = empty->resetButton();
    EXPECT_GE(strongestContrast(image, rectIn(window, reset, reset->rect()), base), 4.5);
    auto* message = empty->findChild<QLabel*>(u"emptyStateMessage"_s);
    ASSERT_NE(message, nullptr);
    EXPECT_GE(strongestContrast(image, rectIn(window, message, message->rect()), base), 4.5);
}
