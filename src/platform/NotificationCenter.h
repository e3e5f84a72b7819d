#pragma once

#include <QObject>
#include <QString>

#include <functional>

// A process-local publish/subscribe of named messages without sender or payload. Observers run
// synchronously on the posting thread, in the order they registered; an observation ends when its
// observer object is destroyed.
class NotificationCenter : public QObject
{
    Q_OBJECT

public:
    static NotificationCenter& defaultCenter();

    void post(const QString& name);
    QMetaObject::Connection observe(const QString& name, QObject* observer, std::function<void()> handler);

signals:
    void posted(const QString& name);
};
