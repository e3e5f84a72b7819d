// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "StartupProbe.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QMainWindow>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <time.h>

namespace StartupProbe {

namespace {

qint64 now()
{
    timespec time {};
    ::clock_gettime(CLOCK_MONOTONIC, &time);
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

class Probe : public QObject
{
public:
    Probe(QByteArray reportPath, int rows)
        : QObject(QCoreApplication::instance())
        , m_reportPath(std::move(reportPath))
        , m_rows(rows)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || m_done || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (!qobject_cast<QMainWindow*>(widget->window()))
            return false;
        const bool first = m_firstPaint == 0 && !m_pending;
        const bool filled = !m_filledPending && (m_rows == 0 || isFilledTable(*widget));
        if (!first && !filled)
            return false;
        m_pending = m_pending || first;
        m_filledPending = filled;
        // The whole window is painted and flushed within the event that sent this paint event; a
        // zero timer fires after it.
        QTimer::singleShot(0, this, [this, first, filled] {
            const qint64 time = now();
            if (first) {
                m_firstPaint = time;
                QFile maps(QStringLiteral("/proc/self/maps"));
                m_flatpakAtPaint = maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libflatpak");
            }
            if (filled)
                finish(time);
        });
        return false;
    }

private:
    // Whether widget is the viewport of a table that shows the rows; checked at every paint, so
    // kept cheap.
    bool isFilledTable(const QWidget& widget) const
    {
        const auto* table = qobject_cast<const QTableView*>(widget.parentWidget());
        return table && table->viewport() == &widget && table->isVisible() && table->model()
            && table->model()->rowCount() >= m_rows;
    }

    void finish(qint64 filled)
    {
        m_done = true;
        if (std::FILE* report = std::fopen(m_reportPath.constData(), "w")) {
            std::fprintf(report, "paint %lld\nfilled %lld\nflatpak %d\n", qlonglong(m_firstPaint),
                         qlonglong(filled), m_flatpakAtPaint ? 1 : 0);
            std::fclose(report);
        }
        QCoreApplication::quit();
    }

    const QByteArray m_reportPath;
    const int m_rows;
    bool m_pending = false;
    bool m_filledPending = false;
    bool m_done = false;
    bool m_flatpakAtPaint = false;
    qint64 m_firstPaint = 0;
};

} // namespace

void install()
{
    const QByteArray report = qgetenv("KUDORA_BENCH_REPORT");
    if (report.isEmpty() || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    new Probe(report, qEnvironmentVariableIntValue("KUDORA_BENCH_ROWS"));
}

} // namespace StartupProbe
