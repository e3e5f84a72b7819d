#include "AppTableModel.h"
#include "AppTableView.h"
#include "ApplicationIcon.h"
#include "ContentView.h"
#include "MainWindow.h"
#include "ShellHarness.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
// Qt reads the scale factor once, when the application object is made; this runs before main().
const bool s_doubleDensity = qputenv("QT_SCALE_FACTOR", "2");

// An application icon whose 1× image is flat grey and whose 2× image has stripes one device pixel
// wide: only an icon drawn from the 2× image at full density shows the stripes.
class StripedIconWorkspace : public RecordingWorkspace
{
public:
    QIcon iconForFile(const QString&) override
    {
        QPixmap flat(AppTableModel::IconSize, AppTableModel::IconSize);
        flat.fill(Qt::gray);
        QImage striped(2 * AppTableModel::IconSize, 2 * AppTableModel::IconSize, QImage::Format_RGB32);
        for (int x = 0; x < striped.width(); ++x) {
            for (int y = 0; y < striped.height(); ++y)
                striped.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
        QIcon icon;
        icon.addPixmap(flat);
        icon.addPixmap(QPixmap::fromImage(striped));
        return icon;
    }
};

// How often neighbouring device pixels along a line through the middle of rect differ strongly.
int sharpTransitions(const QImage& image, const QRect& rect)
{
    int transitions = 0;
    const int y = rect.center().y();
    for (int x = rect.left() + 1; x <= rect.right(); ++x) {
        if (std::abs(qGray(image.pixel(x, y)) - qGray(image.pixel(x - 1, y))) > 160)
            ++transitions;
    }
    return transitions;
}
} // namespace

TEST(HighDensity, ApplicationIconsUseEveryDevicePixel)
{
    // Made before the harness, so that it outlives the window that draws with it.
    StripedIconWorkspace workspace;
    KudoraApp::Parts parts;
    parts.workspace = &workspace;
    ShellHarness harness(ShellHarness::standardInfo(), std::move(parts));
    ASSERT_TRUE(harness.openAndActivate());
    MainWindow& window = harness.window();
    AppTableView* table = window.contentView()->tableView();
    QTest::qWait(50);

    ASSERT_TRUE(s_doubleDensity);
    const QPixmap grabbed = window.grab();
    ASSERT_EQ(grabbed.devicePixelRatio(), 2.0);
    const QImage image = grabbed.toImage();
    const QRect cell = table->visualRect(table->model()->index(0, AppTableModel::IconColumn));
    const QPoint centre = table->viewport()->mapTo(&window, cell.center()) * 2;
    // The middle 20 × 20 points of the 24-point icon, in device pixels.
    const QRect icon(centre - QPoint(20, 20), QSize(40, 40));
    // Every one of the 40 device pixels across alternates; a 1× image scaled up shows none.
    EXPECT_GE(sharpTransitions(image, icon), 36);

    // The About box's icon too.
    harness.item(u"Kudora"_s, u"About Kudora"_s)->trigger();
    auto* box = harness.window().findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->iconPixmap().devicePixelRatio(), 2.0);
    EXPECT_EQ(box->iconPixmap().size(), QSize(128, 128));
    box->close();
}
