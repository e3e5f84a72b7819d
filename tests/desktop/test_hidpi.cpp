// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AboutBox.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "NamedChild.h"
#include "ShellHarness.h"

#include <QAction>
#include <QLabel>
#include <QPainter>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
// Qt reads the scale factor once, when the application object is made; this runs before main().
const bool s_doubleDensity = qputenv("QT_SCALE_FACTOR", "2");

// Only an icon drawn from the 2× image at full density shows its stripes one device pixel wide.
class StripedIconWorkspace : public RecordingWorkspace
{
public:
    QIcon iconForFile(const QString&) override
    {
        QImage stripe(2, 1, QImage::Format_RGB32);
        stripe.setPixel(0, 0, qRgb(0, 0, 0));
        stripe.setPixel(1, 0, qRgb(255, 255, 255));
        QPixmap striped(2 * AppTableModel::IconSize, 2 * AppTableModel::IconSize);
        QPainter(&striped).fillRect(striped.rect(), QBrush(stripe));
        QPixmap flat(AppTableModel::IconSize, AppTableModel::IconSize);
        flat.fill(Qt::gray);
        QIcon icon(flat);
        icon.addPixmap(striped);
        return icon;
    }
};
} // namespace

TEST(HighDensity, ApplicationIconsUseEveryDevicePixel)
{
    // Made before the harness, so that it outlives the window that draws with it.
    StripedIconWorkspace workspace;
    ProgramParts parts;
    parts.workspace = &workspace;
    ShellHarness harness(ShellHarness::standardInfo(), std::move(parts));
    ASSERT_TRUE(harness.openAndActivate());
    MainWindow& window = harness.window();
    // Twice the density halves the screen the window has: it takes no more than that, all of it
    // in reach.
    EXPECT_TRUE(window.screen()->availableGeometry().contains(window.geometry())) << qPrintable(
        QDebug::toString(window.geometry()) + QDebug::toString(window.screen()->availableGeometry()));
    AppTableView* table = &harness.table();
    QTest::qWait(50);

    ASSERT_TRUE(s_doubleDensity);
    const QPixmap grabbed = window.grab();
    ASSERT_EQ(grabbed.devicePixelRatio(), 2.0);
    // Across the middle 20 points of the 24-point icon, every device pixel differs from its neighbour.
    const QImage image = grabbed.toImage();
    const QRect cell = table->visualRect(table->model()->index(0, AppTableModel::IconColumn));
    const QPoint centre = table->viewport()->mapTo(&window, cell.center()) * 2;
    int transitions = 0;
    for (int x = centre.x() - 19; x < centre.x() + 20; ++x)
        transitions +=
            std::abs(qGray(image.pixel(x, centre.y())) - qGray(image.pixel(x - 1, centre.y()))) > 160;
    EXPECT_GE(transitions, 36);

    harness.action(CommandNames::About)->trigger();
    auto* box = harness.window().findChild<AboutBox*>();
    ASSERT_NE(box, nullptr);
    const QPixmap icon = box->iconLabel()->pixmap();
    EXPECT_EQ(std::pair(icon.devicePixelRatio(), icon.size()), std::pair(2.0, QSize(128, 128)));
    box->close();
}
