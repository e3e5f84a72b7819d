// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The floors of the start-up measurement: the least a table application does before its first
// paint. A main window with a search field in its tool bar over a table of 200 rows and 4 columns
// of plain text, filled from constants; built as minimal_flatpak_window, the table is instead filled
// from libflatpak's listing of the applications installed in the user installation and the system
// installations, done plainly in order before the window shows. The start-up probe that
// bench_startup loads into it reports its first paint and ends it.

#ifdef KUDORA_BENCH_FLATPAK
#include <flatpak.h>
#endif

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace {

#ifdef KUDORA_BENCH_FLATPAK
const QStringList Columns { u"Name"_s, u"ID"_s, u"Origin"_s, u"Branch"_s };

void fill(QStandardItemModel& model)
{
    GPtrArray* installations = flatpak_get_system_installations(nullptr, nullptr);
    if (!installations)
        installations = g_ptr_array_new_with_free_func(g_object_unref);
    if (FlatpakInstallation* user = flatpak_installation_new_user(nullptr, nullptr))
        g_ptr_array_insert(installations, 0, user);
    for (guint i = 0; i < installations->len; ++i) {
        auto* installation = static_cast<FlatpakInstallation*>(installations->pdata[i]);
        GPtrArray* refs = flatpak_installation_list_installed_refs_by_kind(installation, FLATPAK_REF_KIND_APP,
                                                                           nullptr, nullptr);
        if (!refs)
            continue;
        for (guint r = 0; r < refs->len; ++r) {
            auto* ref = static_cast<FlatpakInstalledRef*>(refs->pdata[r]);
            const QString id = QString::fromUtf8(flatpak_ref_get_name(FLATPAK_REF(ref)));
            const char* appdataName = flatpak_installed_ref_get_appdata_name(ref);
            model.appendRow(
                { new QStandardItem(appdataName ? QString::fromUtf8(appdataName) : id), new QStandardItem(id),
                  new QStandardItem(QString::fromUtf8(flatpak_installed_ref_get_origin(ref))),
                  new QStandardItem(QString::fromUtf8(flatpak_ref_get_branch(FLATPAK_REF(ref)))) });
        }
        g_ptr_array_unref(refs);
    }
    g_ptr_array_unref(installations);
}
#else
const QStringList Columns { u"Name"_s, u"Last Used"_s, u"Modified"_s, u"Last Reviewed"_s };

void fill(QStandardItemModel& model)
{
    constexpr int Rows = 200;
    for (int row = 0; row < Rows; ++row) {
        QList<QStandardItem*> items { new QStandardItem(u"Application %1"_s.arg(row)) };
        for (int column = 1; column < 4; ++column)
            items.append(new QStandardItem(u"2026-%1-%2"_s.arg(1 + row % 12).arg(1 + row % 28)));
        model.appendRow(items);
    }
}
#endif

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);

    QStandardItemModel model(0, 4);
    model.setHorizontalHeaderLabels(Columns);
    fill(model);

    QMainWindow window;
    window.resize(900, 600);
    QToolBar* toolBar = window.addToolBar(u"Toolbar"_s);
    auto* search = new QLineEdit;
    search->setPlaceholderText(u"Search"_s);
    toolBar->addWidget(search);
    auto* table = new QTableView;
    table->setModel(&model);
    window.setCentralWidget(table);
    window.show();
    return QApplication::exec();
}
