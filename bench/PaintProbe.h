// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

// Notes when a window has finished a paint of itself, for the start-up measurements: watches the
// paint events of the window and its children and reports once the paint round that delivered
// them has ended (the backing store flushed), as a time on the monotonic clock in nanoseconds.
class PaintProbe : public QObject
{
    Q_OBJECT

public:
    // ready decides, at each paint event, whether this paint counts; by default every one does.
    explicit PaintProbe(QWidget& window, std::function<bool()> ready = {});

    // The time of the monotonic clock, in nanoseconds, as the driver reads it.
    static qint64 now();

signals:
    void painted(qint64 nanoseconds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    std::function<bool()> m_ready;
    bool m_pending = false;
    bool m_done = false;
};
