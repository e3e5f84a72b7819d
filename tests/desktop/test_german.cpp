// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The window as a person whose language is German sees it (LANG=de_DE.UTF-8 for this program).
#include "AppTableModel.h"
#include "ContentView.h"
#include "NamedChild.h"
#include "SearchField.h"
#include "ShellHarness.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(German, TheProgramsTextsItsPluralsItsDatesAndQtsOwnTextsAreGerman)
{
    PreferencesService preferences(std::make_shared<MemoryDefaultsDomain>());
    preferences.domain().setValue(
        PreferencesService::ReviewDatesKey,
        QVariantMap { { ShellHarness::AlphaID, QDateTime::currentDateTimeUtc().addSecs(-90) } });
    ProgramParts parts;
    parts.preferences = &preferences;
    ShellHarness harness(ShellHarness::standardInfo(), std::move(parts));
    ASSERT_TRUE(harness.openAndActivate());
    MainWindow& window = harness.window();
    ContentView& content = *window.contentView();
    const QAbstractItemModel* rows = harness.table().model();
    const auto* status = namedChild<QLabel>(&content, u"statusLabel"_s);
    AppModel& model = harness.app().model();

    QStringList seen;
    for (const QAction* menu : window.menuBar()->actions().mid(0, 3))
        seen.append(menu->text());
    // By name: the row reviewed a minute and a half ago, then the one never reviewed.
    model.setSortOrder({ SortComparator(SortComparator::Key::Name, Qt::AscendingOrder) });
    for (const int row : { 0, 1 })
        seen.append(rows->index(row, AppTableModel::LastReviewedColumn).data().toString());
    // One and many take their own forms.
    model.ignoreApps({ model.apps().first() });
    seen.append(status->text());
    model.setShowingIgnored(true);
    seen.append(status->text());
    // Qt's own texts: the search field's context menu, its shortcut after a tab.
    SearchField* field = content.searchField();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    seen.append(menu->actions().constFirst()->text().section(u'\t', 0, 0));
    menu->close();
    EXPECT_EQ(seen,
              (QStringList { u"&Datei"_s, u"&Bearbeiten"_s, u"&Ansicht"_s, u"vor 1 Minute"_s, u"Nie"_s,
                             u"2 App-Store-Apps gefunden · 1 ignoriert"_s, u"1 ignorierte App"_s,
                             u"&Rückgängig"_s }));
}
