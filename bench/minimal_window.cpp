// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The floor of the start-up measurement: what any table application shows at its first paint. A
// main window with a search field in its tool bar over a table of 200 rows and 4 columns of plain
// text; writes the time of its first paint to the file named by its argument and exits.

#include "PaintProbe.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolBar>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2)
        return 2;
    const QByteArray reportPath = argv[1];

    constexpr int Rows = 200;
    QStandardItemModel model(Rows, 4);
    model.setHorizontalHeaderLabels({ u"Name"_s, u"Last Used"_s, u"Modified"_s, u"Last Reviewed"_s });
    for (int row = 0; row < Rows; ++row) {
        model.setItem(row, 0, new QStandardItem(u"Application %1"_s.arg(row)));
        for (int column = 1; column < 4; ++column)
            model.setItem(row, column,
                          new QStandardItem(u"2026-%1-%2"_s.arg(1 + row % 12).arg(1 + row % 28)));
    }

    QMainWindow window;
    window.resize(900, 600);
    QToolBar* toolBar = window.addToolBar(u"Toolbar"_s);
    auto* search = new QLineEdit;
    search->setPlaceholderText(u"Search"_s);
    toolBar->addWidget(search);
    auto* table = new QTableView;
    table->setModel(&model);
    window.setCentralWidget(table);

    auto* probe = new PaintProbe(window);
    QObject::connect(probe, &PaintProbe::painted, [&](qint64 time) {
        if (std::FILE* report = std::fopen(reportPath.constData(), "w")) {
            std::fprintf(report, "paint %lld\nfilled %lld\n", qlonglong(time), qlonglong(time));
            std::fclose(report);
        }
        QApplication::quit();
    });
    window.show();
    return QApplication::exec();
}
