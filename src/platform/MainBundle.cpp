// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
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
