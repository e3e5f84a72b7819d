#pragma once

#include "AppInfo.h"
#include "AppModel.h"
#include "ContentView.h"
#include "FixtureTree.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"
#include "Workspace.h"

#include <QList>
#include <QPoint>
#include <QStringList>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

class QMenu;

// Stands in for the desktop: records what the window asks of it and fails every opening.
class RecordingWorkspace : public Workspace
{
public:
    bool openUrl(const QUrl& url) override;
    // Every file gets a red 64 × 32 icon, so that fitting and centring show.
    QIcon iconForFile(const QString& path) override;

    QList<QUrl> openedUrls;
    QStringList iconPaths;
    // Runs inside openUrl, to look at the state the window opened the page in.
    std::function<void()> onOpen;
};

// A shown ContentView on a real AppModel over an in-memory store; the initial scan of empty
// folders has finished when a test starts.
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A record last used `daysAgo` days before a fixed day.
    static AppInfo app(const QString& id, const QString& name, int daysAgo,
                       OptionalDate lastReviewed = std::nullopt,
                       const QString& adamID = QStringLiteral("1001"));
    static QDateTime day(int daysAgo);

    // Alpha (A), Bravo (B) and Charlie (C), last used 1, 2 and 3 days ago, reviewed 3, 4 and 5.
    static inline const QString A = QStringLiteral("com.example.a");
    static inline const QString B = QStringLiteral("com.example.b");
    static inline const QString C = QStringLiteral("com.example.c");
    void setThreeApps();

    // Column texts of the table's rows, top to bottom.
    QStringList column(int column) const;
    QStringList names() const;
    // The ids the table shows as selected, in table order.
    QStringList selectedRowIds() const;

    QPoint cellCentre(int row, int column) const;
    void clickCell(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void clickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void clickHeader(int column);

    // Sends a mouse context-menu event at pos (viewport coordinates); the menu shown, or nullptr.
    QMenu* openContextMenuAt(const QPoint& pos);
    QMenu* openContextMenuOnRow(int row);
    static QStringList actionTitles(const QMenu* menu);
    static void trigger(QMenu* menu, const QString& title);

    const AppInfo* appWithId(const QString& id) const;

    RecordingWorkspace workspace;
    FixtureTree tree;
    PreferencesService preferences { std::make_shared<MemoryDefaultsDomain>() };
    std::unique_ptr<AppModel> model;
    std::unique_ptr<ContentView> view;
};
