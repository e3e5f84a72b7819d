#include "KudoraApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    KudoraApp kudora;
    kudora.openMainWindow();
    QApplication::exec();
    return 0;
}
