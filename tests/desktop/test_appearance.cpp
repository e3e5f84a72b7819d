// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// How the program meets the desktop: its icon and entry, dark themes and screen readers.
#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "ApplicationIcon.h"
#include "ContentView.h"
#include "DarkPalette.h"
#include "EmptyStateView.h"
#include "LinkButton.h"
#include "MainBundle.h"
#include "MainWindow.h"
#include "SearchField.h"
#include "ShellHarness.h"
#include "StatusBar.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

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

    const auto readSource = [](const QString& relative) {
        QFile file(QString::fromUtf8(KUDORA_SOURCE_DIR) + u"/resources/"_s + relative);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    const QStringList desktop = readSource(u"%1.desktop"_s.arg(identifier)).split(u'\n');
    for (const QString& line : { u"Name=Kudora"_s, u"Exec=kudora"_s, u"Icon=%1"_s.arg(identifier) })
        EXPECT_TRUE(desktop.contains(line)) << qPrintable(line);
    const QString metainfo = readSource(u"%1.metainfo.xml"_s.arg(identifier));
    for (const QString& text : { u"<id>%1</id>"_s, u">%1.desktop</launchable>"_s })
        EXPECT_TRUE(metainfo.contains(text.arg(identifier))) << qPrintable(text);
    // The newest release described is the one the About box names.
    static const QRegularExpression release(u"<release version=\"([^\"]*)\""_s);
    EXPECT_EQ(release.match(metainfo).captured(1), QCoreApplication::applicationVersion());
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
    AppTableView* table = content->tableView();
    QWidget* status = content->statusBar();

    EXPECT_EQ(QApplication::windowIcon().availableSizes(), ApplicationIcon::icon().availableSizes());
    EXPECT_EQ(accessibleName(&window), u"Kudora"_s);
    EXPECT_EQ(accessibleName(status->findChild<QLabel*>(u"statusLabel"_s)), content->statusBar()->text());
    // A sweep rather than a list, so that a control added later without a name is caught too.
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->isVisible() && widget->focusPolicy() != Qt::NoFocus) {
            EXPECT_FALSE(accessibleName(widget).trimmed().isEmpty()) << widget->metaObject()->className();
        }
    }
    content->searchField()->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return content->searchField()->hasFocus(); }));
    QTest::keyClick(content->searchField(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), table);
    QTest::keyClick(table, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), content->searchField());

    for (const QPalette& palette : { light, darkPalette() }) {
        QApplication::setPalette(palette);
        const QColor background = palette.color(QPalette::Window);
        QList<Probe> probes {
            { "status text", status->findChild<QLabel*>(u"statusLabel"_s), {}, background, 4.5, false },
            { "status bar", status, {}, background, 1, true }
        };
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
    EmptyStateView* empty = content->emptyState();
    ASSERT_TRUE(QTest::qWaitFor([empty] { return empty->isVisible(); }));
    const QColor base = darkPalette().color(QPalette::Base);
    expectReadable(
        window,
        { { "reset button", empty->resetButton(), {}, base, 4.5, false },
          { "message", empty->findChild<QLabel*>(u"emptyStateMessage"_s), {}, base, 4.5, false } });
    EXPECT_EQ(accessibleName(empty->resetButton()), u"Reset Ignore List"_s);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(empty->resetButton())->role(), QAccessible::Button);
}
