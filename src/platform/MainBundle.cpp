#include "MainBundle.h"

#include "PropertyList.h"

#include <QFile>

QVariantMap MainBundle::infoDictionary()
{
    QFile file(QStringLiteral(":/Info.plist"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return PropertyList::parseDictionary(file.readAll()).value_or(QVariantMap());
}
