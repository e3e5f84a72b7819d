#pragma once

#include "AppInfo.h"
#include "AppModel.h"
#include "ContentView.h"
#include "FixtureTree.h"
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

// Stands in for the desktop: records what the window asks of it and answers as told.
class RecordingWorkspace : public Workspace
{
public:
    bool openUrl(const QUrl& url) override;
    QIcon iconForFile(const QString& path) override;

    QList<QUrl> openedUrls;
    QStringList iconPaths;
    bool openAnswer = false;
    // Runs inside openUrl, to look at the state the window opened the page in.
    std::function<void(const QUrl&)> onOpen;
    // The icon every file gets; 64 × 32 so that fitting and centring show.
    QSize iconSize { 64, 32 };
};

// A shown ContentView on a real AppModel over an in-memory defaults domain. The model's scanner
// looks only at empty folders of the test's own tree; the initial scan has finished when a test
// starts.
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A record whose last use lies `daysAgo` days before a fixed day, with an App Store id.
    static AppInfo app(const QString& id, const QString& name, int daysAgo,
                       OptionalDate lastReviewed = std::nullopt,
                       const QString& adamID = QStringLiteral("1001"));
    static QDateTime day(int daysAgo);

    // Column texts of the table's rows, top to bottom.
    QStringList column(int column) const;
    QStringList names() const;
    // The ids the table shows as selected, in table order.
    QStringList selectedRowIds() const;

    QPoint cellCentre(int row, int column) const;
    void clickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void clickHeader(int column);

    // Opens the table's context menu as a right click at pos (viewport coordinates) does; the
    // menu shown, or nullptr.
    QMenu* openContextMenuAt(const QPoint& pos);
    QMenu* openContextMenuOnRow(int row);
    static QStringList actionTitles(const QMenu* menu);
    static void trigger(QMenu* menu, const QString& title);

    const AppInfo* appWithId(const QString& id) const;

    RecordingWorkspace workspace;
    FixtureTree tree;
    PreferencesService preferences;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<ContentView> view;

public:
    WindowTest();
};
