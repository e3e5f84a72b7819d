#include "AppDelegate.h"

#include <QGuiApplication>

void AppDelegate::install() const
{
    QGuiApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
}
