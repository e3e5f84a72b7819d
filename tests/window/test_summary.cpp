#include "AppTableView.h"
#include "CommandNames.h"
#include "EmptyStateView.h"
#include "NotificationCenter.h"
#include "StatusBar.h"
#include "WindowFixture.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
QList<AppInfo> apps(int count)
{
    QList<AppInfo> list;
    for (int i = 0; i < count; ++i) {
        list.append(AppInfo(QStringLiteral("com.example.%1").arg(i), QStringLiteral("App %1").arg(i),
                            QStringLiteral("/Applications/App %1.app").arg(i), QStringLiteral("1"),
                            std::nullopt, std::nullopt, std::nullopt));
    }
    return list;
}

// An ignored id whose application is not installed.
AppInfo absent(const QString& id)
{
    return AppInfo(id, id, QString(), QStringLiteral("1"), std::nullopt, std::nullopt, std::nullopt);
}
} // namespace

TEST_F(WindowTest, StatusBarCountsTheCatalogueAndTheIgnoreList)
{
    StatusBar* bar = view->statusBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->text(), QStringLiteral("0 App Store apps found"));
    model->setApps(apps(1));
    EXPECT_EQ(bar->text(), QStringLiteral("1 App Store app found"));
    model->setApps(apps(12));
    EXPECT_EQ(bar->text(), QStringLiteral("12 App Store apps found"));

    // Ignored ids count whether or not their applications are installed, and the ignored ones stay
    // in the found count.
    model->ignoreApps({ absent(QStringLiteral("gone.app")) });
    EXPECT_EQ(bar->text(), QStringLiteral("12 App Store apps found · 1 ignored"));
    model->ignoreApps({ model->apps().at(0), model->apps().at(1) });
    EXPECT_EQ(bar->text(), QStringLiteral("12 App Store apps found · 3 ignored"));

    model->setShowingIgnored(true);
    EXPECT_EQ(bar->text(), QStringLiteral("3 ignored apps"));
    model->unignoreApps({ model->apps().at(0), model->apps().at(1) });
    EXPECT_EQ(bar->text(), QStringLiteral("1 ignored app"));
    model->resetIgnoreList();
    EXPECT_EQ(bar->text(), QStringLiteral("0 ignored apps"));
}

TEST_F(WindowTest, EmptyStateExplainsAnEmptyTable)
{
    EmptyStateView* empty = view->emptyState();
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->messageText(), QStringLiteral("No App Store apps found."));
    EXPECT_EQ(empty->ignoredText(), QString());
    EXPECT_FALSE(empty->resetButton()->isVisible());
    model->setApps(apps(2));
    EXPECT_FALSE(empty->isVisible());

    // A search that matches nothing shows the same message, with the ignored line when ids are
    // ignored.
    model->ignoreApps({ absent(QStringLiteral("gone.app")) });
    model->setSearchQuery(QStringLiteral("nothing like it"));
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->messageText(), QStringLiteral("No App Store apps found."));
    EXPECT_EQ(empty->ignoredText(), QStringLiteral("1 app ignored."));
    EXPECT_TRUE(empty->resetButton()->isVisible());
    model->ignoreApps({ model->apps().at(0), model->apps().at(1) });
    EXPECT_EQ(empty->ignoredText(), QStringLiteral("3 apps ignored."));

    // Centred over the table, also after a resize.
    view->resize(1000, 700);
    QTest::qWait(0);
    const QPoint centre = view->tableView()->viewport()->rect().center();
    EXPECT_LE((empty->geometry().center() - centre).manhattanLength(), 2);

    model->setShowingIgnored(true);
    EXPECT_EQ(empty->messageText(), QStringLiteral("No ignored apps."));
    EXPECT_EQ(empty->ignoredText(), QString());
    model->setSearchQuery(QString());
    EXPECT_FALSE(empty->isVisible());
    model->resetIgnoreList();
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->messageText(), QStringLiteral("No ignored apps."));
}

TEST_F(WindowTest, ResetIgnoreListButtonPostsTheCommand)
{
    model->ignoreApps({ absent(QStringLiteral("gone.app")), absent(QStringLiteral("other.app")) });
    QPushButton* button = view->emptyState()->resetButton();
    ASSERT_TRUE(button->isVisible());
    EXPECT_EQ(button->text(), QStringLiteral("Reset Ignore List"));

    QSignalSpy posted(&NotificationCenter::defaultCenter(), &NotificationCenter::posted);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(posted.first().at(0).toString(), CommandNames::resetIgnoreListRequested());
    // The window's own observer carried it out.
    EXPECT_TRUE(model->ignoredIDs().isEmpty());
    EXPECT_EQ(view->emptyState()->ignoredText(), QString());
}
