// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a program measured by bench_startup reports of its start, as a Qt plugin that any Qt
// Widgets program loads when the environment names it (QT_QPA_GENERIC_PLUGINS=kudorastartupprobe,
// with this folder's "plugins" on QT_PLUGIN_PATH), so that the program itself is measured as it is
// built and installed, and the floors alike. It writes the time of the first paint of the main
// window, and of the first paint that shows a table of at least $KUDORA_BENCH_ROWS rows (the first
// paint when that is 0 or unset), as times of the monotonic clock in nanoseconds, into the file
// $KUDORA_BENCH_REPORT, together with whether libflatpak and libappstream were loaded when the first
// paint began; then it quits the application. A paint counts once the paint round that delivered it has ended
// (the backing store flushed).

#include <QApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <dlfcn.h>
#include <time.h>

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
        : m_reportPath(std::move(reportPath))
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
        if (first) {
            m_flatpakAtPaint = isLoaded("libflatpak.so.0");
            m_appstreamAtPaint = isLoaded("libappstream.so.4");
        }
        m_pending = m_pending || first;
        m_filledPending = filled;
        // The whole window is painted and flushed within the event that sent this paint event; a
        // zero timer fires after it.
        QTimer::singleShot(0, this, [this, first, filled] {
            const qint64 time = now();
            if (first)
                m_firstPaint = time;
            if (filled)
                finish(time);
        });
        return false;
    }

private:
    // Asked as the paint begins, not once it has ended: a program may start loading the library
    // right after its first paint, before this probe's timer runs. A load under way on another
    // thread is waited for, and counts.
    static bool isLoaded(const char* library)
    {
        void* handle = ::dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
        if (handle)
            ::dlclose(handle);
        return handle != nullptr;
    }

    // Whether widget is the viewport of a table that shows the rows; asked at every paint, so
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
            std::fprintf(report, "paint %lld\nfilled %lld\nflatpak %d\nappstream %d\n",
                         qlonglong(m_firstPaint), qlonglong(filled), m_flatpakAtPaint ? 1 : 0,
                         m_appstreamAtPaint ? 1 : 0);
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
    bool m_appstreamAtPaint = false;
    qint64 m_firstPaint = 0;
};

} // namespace

class StartupProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "startup_probe_plugin.json")

public:
    // The application owns what this returns.
    QObject* create(const QString&, const QString&) override
    {
        const QByteArray report = qgetenv("KUDORA_BENCH_REPORT");
        if (report.isEmpty() || !QCoreApplication::instance())
            return nullptr;
        return new Probe(report, qEnvironmentVariableIntValue("KUDORA_BENCH_ROWS"));
    }
};

#include "startup_probe_plugin.moc"
