#include "MainBundle.h"

#include "PropertyList.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>

namespace {
struct State
{
    QMutex mutex;
    bool loaded = false;
    QVariantMap builtIn;
    std::optional<QVariantMap> replacement;
};

State& state()
{
    static State s;
    return s;
}

QVariantMap readBuiltIn()
{
    QFile file(QStringLiteral(":/Info.plist"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return PropertyList::parseDictionary(file.readAll()).value_or(QVariantMap());
}
} // namespace

QVariantMap MainBundle::infoDictionary()
{
    State& s = state();
    const QMutexLocker locker(&s.mutex);
    if (s.replacement)
        return *s.replacement;
    if (!s.loaded) {
        s.builtIn = readBuiltIn();
        s.loaded = true;
    }
    return s.builtIn;
}

QVariant MainBundle::infoValue(const QString& key)
{
    return infoDictionary().value(key);
}

QString MainBundle::identifier()
{
    const QVariant value = infoValue(QStringLiteral("CFBundleIdentifier"));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QString MainBundle::shortVersion()
{
    const QVariant value = infoValue(QStringLiteral("CFBundleShortVersionString"));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

void MainBundle::setInfoDictionaryForTesting(std::optional<QVariantMap> dictionary)
{
    State& s = state();
    const QMutexLocker locker(&s.mutex);
    s.replacement = std::move(dictionary);
}
