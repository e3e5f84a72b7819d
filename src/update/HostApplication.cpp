#include "HostApplication.h"

#include "MainBundle.h"

using namespace Qt::StringLiterals;

namespace {
QString textValue(const QString& key)
{
    const QVariant value = MainBundle::infoValue(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}
} // namespace

QString HostApplication::name()
{
    const QVariant value = MainBundle::infoValue(u"CFBundleName"_s);
    return value.typeId() == QMetaType::QString ? value.toString() : u"Kudora"_s;
}

QString HostApplication::version()
{
    return textValue(u"CFBundleVersion"_s).trimmed();
}

QString HostApplication::displayVersion()
{
    const QString shortVersion = textValue(u"CFBundleShortVersionString"_s).trimmed();
    return shortVersion.isEmpty() ? version() : shortVersion;
}
