// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>

// A process-local publish/subscribe of named messages without sender or payload. Observers run
// synchronously on the posting thread, in the order they registered; an observation ends when its
// observer object is destroyed. The application makes the one its commands and windows share.
class NotificationCenter : public QObject
{
    Q_OBJECT

public:
    void post(const QString& name);
    QMetaObject::Connection observe(const QString& name, QObject* observer, std::function<void()> handler);

signals:
    void posted(const QString& name);
};
