// The window as a person whose language is German sees it (LANG=de_DE.UTF-8 for this program).
#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "ContentView.h"
#include "MainWindow.h"
#include "MemoryDefaultsDomain.h"
#include "SearchField.h"
#include "ShellHarness.h"
#include "StatusBar.h"
#include "VisibleAppsModel.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(German, TheProgramsTextsItsPluralsItsDatesAndQtsOwnTextsAreGerman)
{
    PreferencesService preferences(std::make_shared<MemoryDefaultsDomain>());
    preferences.domain().setValue(
        PreferencesService::ReviewDatesKey,
        QVariantMap { { ShellHarness::AlphaID, QDateTime::currentDateTimeUtc().addSecs(-90) } });
    KudoraApp::Parts parts;
    parts.preferences = &preferences;
    ShellHarness harness(ShellHarness::standardInfo(), std::move(parts));
    ASSERT_TRUE(harness.openAndActivate());
    MainWindow& window = harness.window();
    ContentView& content = *window.contentView();

    QStringList menus;
    for (const QAction* menu : window.menuBar()->actions())
        menus.append(menu->text());
    EXPECT_EQ(menus.mid(1, 3), (QStringList { u"&Datei"_s, u"&Bearbeiten"_s, u"&Ansicht"_s }));

    // The reviewed row first, by name: its review a minute and a half ago, the other's none.
    const auto reviewed = [&](int row) {
        return content.rows()->index(row, AppTableModel::LastReviewedColumn).data().toString();
    };
    harness.app().model().setSortOrder({ SortComparator(SortComparator::Key::Name, Qt::AscendingOrder) });
    EXPECT_EQ(std::pair(reviewed(0), reviewed(1)), std::pair(u"vor 1 Minute"_s, u"Nie"_s));

    // One and many take their own forms.
    AppModel& model = harness.app().model();
    model.ignoreApps({ model.apps().first() });
    EXPECT_EQ(content.statusBar()->text(), u"2 App-Store-Apps gefunden · 1 ignoriert"_s);
    model.setShowingIgnored(true);
    EXPECT_EQ(content.statusBar()->text(), u"1 ignorierte App"_s);

    // Qt's own texts: the search field's context menu.
    SearchField* field = content.searchField();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (const QAction* item : menu->actions())
        items.append(item->text().section(u'\t', 0, 0)); // the shortcut follows a tab
    menu->close();
    EXPECT_TRUE(items.contains(u"&Rückgängig"_s)) << qPrintable(items.join(u", "_s));
}
