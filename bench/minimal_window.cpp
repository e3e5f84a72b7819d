// The floor of the start-up measurement: the least a Qt Widgets program does to show a window.
// Shows one empty window, writes the time of its first paint to the file named by its argument
// and exits.

#include "PaintProbe.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2)
        return 2;
    const QByteArray reportPath = argv[1];
    QWidget window;
    window.resize(900, 600);
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
