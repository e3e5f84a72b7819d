// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PaintProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <time.h>

PaintProbe::PaintProbe(QWidget& window, std::function<bool()> ready)
    : QObject(&window)
    , m_window(&window)
    , m_ready(std::move(ready))
{
    QCoreApplication::instance()->installEventFilter(this);
}

qint64 PaintProbe::now()
{
    timespec time {};
    ::clock_gettime(CLOCK_MONOTONIC, &time);
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

bool PaintProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Paint || m_pending || m_done || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != m_window || (m_ready && !m_ready()))
        return false;
    // The whole window is painted and flushed within the event that sent this paint event; a
    // zero timer fires after it.
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        m_done = true;
        emit painted(now());
    });
    return false;
}
