// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "NotificationCenter.h"

void NotificationCenter::post(const QString& name)
{
    emit posted(name);
}

QMetaObject::Connection NotificationCenter::observe(const QString& name, QObject* observer,
                                                    std::function<void()> handler)
{
    return connect(
        this, &NotificationCenter::posted, observer,
        [name, handler = std::move(handler)](const QString& posted) {
            if (posted == name)
                handler();
        },
        Qt::DirectConnection);
}
