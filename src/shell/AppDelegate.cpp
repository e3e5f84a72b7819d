#include "AppDelegate.h"

#include <QGuiApplication>

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
{ }

void AppDelegate::install() const
{
    QGuiApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
}
