// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainBundle.h"

#include "PropertyList.h"

#include <QCoreApplication>
#include <QFile>

namespace {
QString textValue(const QVariantMap& info, const QString& key)
{
    const QVariant value = info.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}
} // namespace

QVariantMap MainBundle::infoDictionary()
{
    QFile file(QStringLiteral(":/Info.plist"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return PropertyList::parseDictionary(file.readAll()).value_or(QVariantMap());
}

QString MainBundle::identifier(const QVariantMap& info)
{
    return textValue(info, QStringLiteral("CFBundleIdentifier"));
}

void MainBundle::nameApplication(const QVariantMap& info)
{
    const QString name = textValue(info, QStringLiteral("CFBundleName"));
    QCoreApplication::setApplicationName(name.isEmpty() ? QStringLiteral("Kudora") : name);
    const QString shortVersion = textValue(info, QStringLiteral("CFBundleShortVersionString")).trimmed();
    QCoreApplication::setApplicationVersion(
        shortVersion.isEmpty() ? textValue(info, QStringLiteral("CFBundleVersion")).trimmed() : shortVersion);
}
