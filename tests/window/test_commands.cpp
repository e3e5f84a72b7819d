#include "AppTableModel.h"
#include "CommandNames.h"
#include "NotificationCenter.h"
#include "WindowFixture.h"

#include <QSignalSpy>

namespace {

void post(const QString& name)
{
    NotificationCenter::defaultCenter().post(name);
}
} // namespace

class CommandTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        setThreeApps();
        view->setSelection({ A, B });
        // Bravo stays selected but the search hides it.
        model->setSearchQuery(QStringLiteral("al"));
    }
};

TEST_F(CommandTest, IgnoreAndClearIgnoreActOnVisibleSelectedRowsAndEmptyTheSelection)
{
    ASSERT_EQ(names(), QStringList { QStringLiteral("Alpha") });
    QSignalSpy hasSelection(view.get(), &ContentView::hasSelectionChanged);
    post(CommandNames::ignoreRequested());
    EXPECT_EQ(model->ignoredIDs(), QSet<QString> { A });
    EXPECT_EQ(preferences.loadIgnoredIDs(), QSet<QString> { A });
    EXPECT_TRUE(view->selection().isEmpty());
    EXPECT_EQ(hasSelection.size(), 1);
    // Nothing selected: nothing to ignore.
    post(CommandNames::ignoreRequested());
    EXPECT_EQ(model->ignoredIDs(), QSet<QString> { A });

    model->ignoreApps(model->apps());
    model->setShowingIgnored(true);
    view->setSelection({ A, B });
    post(CommandNames::clearIgnoreRequested());
    EXPECT_EQ(model->ignoredIDs(), (QSet<QString> { B, C }));
    EXPECT_TRUE(view->selection().isEmpty());
    post(CommandNames::clearIgnoreRequested());
    EXPECT_EQ(model->ignoredIDs(), (QSet<QString> { B, C }));
}

TEST_F(CommandTest, ResetReviewActsOnVisibleSelectedRowsAndKeepsTheSelection)
{
    post(CommandNames::resetReviewRequested());
    EXPECT_FALSE(appWithId(A)->lastReviewedDate().has_value());
    EXPECT_TRUE(appWithId(B)->lastReviewedDate().has_value());
    EXPECT_EQ(view->selection(), (QSet<QString> { A, B }));

    view->setSelection({});
    model->setSearchQuery(QString());
    post(CommandNames::resetReviewRequested());
    EXPECT_TRUE(appWithId(B)->lastReviewedDate().has_value());
    EXPECT_TRUE(appWithId(C)->lastReviewedDate().has_value());
}

TEST_F(CommandTest, ResetIgnoreListShowIgnoredAndRescanKeepTheSelection)
{
    model->ignoreApps({ model->apps().at(2) });
    post(CommandNames::showIgnoredAppsToggled());
    EXPECT_TRUE(model->showingIgnored());
    post(CommandNames::resetIgnoreListRequested());
    EXPECT_TRUE(model->ignoredIDs().isEmpty());
    EXPECT_TRUE(preferences.loadIgnoredIDs().isEmpty());
    post(CommandNames::showIgnoredAppsToggled());
    EXPECT_FALSE(model->showingIgnored());

    QSignalSpy finished(model.get(), &AppModel::rescanFinished);
    post(CommandNames::rescanRequested());
    // The handler only queued the scan, as a task of its own.
    EXPECT_FALSE(model->isScanning());
    EXPECT_EQ(model->apps().size(), 3);
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_TRUE(model->apps().isEmpty());
    // Not even a rescan prunes the selection.
    EXPECT_EQ(view->selection(), (QSet<QString> { A, B }));
}

TEST_F(CommandTest, CommandsDoNothingWhileTheViewIsNotShown)
{
    view->hide();
    post(CommandNames::ignoreRequested());
    post(CommandNames::showIgnoredAppsToggled());
    EXPECT_TRUE(model->ignoredIDs().isEmpty());
    EXPECT_FALSE(model->showingIgnored());
    EXPECT_EQ(view->selection(), (QSet<QString> { A, B }));

    // Nor after the view is gone.
    view.reset();
    post(CommandNames::ignoreRequested());
    post(CommandNames::resetIgnoreListRequested());
    EXPECT_TRUE(model->ignoredIDs().isEmpty());
}
