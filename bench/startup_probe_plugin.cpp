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
//
// With $KUDORA_BENCH_RATED_COLUMN set to a column's title, a table counts as filled only once that
// column shows a text in each of the rows. With $KUDORA_BENCH_STALLS set too, the probe goes on
// past that paint: it ticks a 1 ms timer on the main thread from the start and reports the longest
// gap between two ticks from the moment the column's first text shows until each row has one (the
// longest the program kept its main thread from the event loop while those texts came), and how
// long that took. A run that never gets there ends with exit status 3 after a minute.

#include <QApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QPointer>
#include <QTableView>
#include <QTimer>

#include <algorithm>
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
    Probe(QByteArray reportPath, int rows, QString ratedColumn, bool stalls)
        : m_reportPath(std::move(reportPath))
        , m_rows(rows)
        , m_ratedColumn(std::move(ratedColumn))
        , m_stalls(stalls && !m_ratedColumn.isEmpty())
    {
        QCoreApplication::instance()->installEventFilter(this);
        if (m_ratedColumn.isEmpty())
            return;
        QTimer::singleShot(60'000, this, [] { QCoreApplication::exit(3); });
        if (m_stalls) {
            m_ticks.setTimerType(Qt::PreciseTimer);
            m_ticks.setInterval(1);
            connect(&m_ticks, &QTimer::timeout, this, &Probe::tick);
            m_lastTick = now();
            m_ticks.start();
        }
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
        const bool filled = !m_filledPending && m_filled == 0 && (m_rows == 0 || isFilledTable(*widget));
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
            if (filled && !m_stalls)
                finish(time);
            else if (filled)
                m_filled = time;
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
            && table->model()->rowCount() >= m_rows && (m_stalls || ratedRows(*table->model()) >= m_rows);
    }

    // How many rows show a text in the rated column; all of them when no column is named.
    int ratedRows(const QAbstractItemModel& model) const
    {
        if (m_ratedColumn.isEmpty())
            return model.rowCount();
        for (int column = 0; column < model.columnCount(); ++column) {
            if (model.headerData(column, Qt::Horizontal).toString() != m_ratedColumn)
                continue;
            int rated = 0;
            for (int row = 0; row < model.rowCount(); ++row)
                rated += model.index(row, column).data().toString().isEmpty() ? 0 : 1;
            return rated;
        }
        return 0;
    }

    void tick()
    {
        const qint64 time = now();
        const qint64 gap = time - m_lastTick;
        m_lastTick = time;
        if (m_done)
            return;
        if (!m_model) {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (auto* table =
                        qobject_cast<QMainWindow*>(window) ? window->findChild<QTableView*>() : nullptr)
                    m_model = table->model();
            }
            if (!m_model)
                return;
            // Counted again only after a change, so that the ticks themselves stay light.
            const auto changed = [this] { m_changed = true; };
            connect(m_model, &QAbstractItemModel::dataChanged, this, changed);
            connect(m_model, &QAbstractItemModel::layoutChanged, this, changed);
            connect(m_model, &QAbstractItemModel::modelReset, this, changed);
            connect(m_model, &QAbstractItemModel::rowsInserted, this, changed);
            m_changed = true;
        }
        if (std::exchange(m_changed, false))
            m_rated = ratedRows(*m_model);
        if (m_rated > 0 && m_firstRated == 0)
            m_firstRated = time;
        // The gap that ends here held the change that showed the first text.
        if (m_firstRated != 0)
            m_longestGap = std::max(m_longestGap, gap);
        if (m_filled != 0 && m_rated >= m_rows)
            finish(m_filled, time);
    }

    void finish(qint64 filled, qint64 allRated = 0)
    {
        m_done = true;
        m_ticks.stop();
        if (std::FILE* report = std::fopen(m_reportPath.constData(), "w")) {
            std::fprintf(report, "paint %lld\nfilled %lld\nflatpak %d\nappstream %d\n",
                         qlonglong(m_firstPaint), qlonglong(filled), m_flatpakAtPaint ? 1 : 0,
                         m_appstreamAtPaint ? 1 : 0);
            if (m_stalls)
                std::fprintf(report, "stall %lld\nrating %lld\n", qlonglong(m_longestGap),
                             qlonglong(allRated - m_firstRated));
            std::fclose(report);
        }
        QCoreApplication::quit();
    }

    const QByteArray m_reportPath;
    const int m_rows;
    const QString m_ratedColumn;
    const bool m_stalls;
    QTimer m_ticks;
    qint64 m_lastTick = 0;
    QPointer<QAbstractItemModel> m_model;
    bool m_changed = false;
    int m_rated = 0;
    qint64 m_firstRated = 0;
    qint64 m_longestGap = 0;
    qint64 m_filled = 0;
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
        return new Probe(report, qEnvironmentVariableIntValue("KUDORA_BENCH_ROWS"),
                         qEnvironmentVariable("KUDORA_BENCH_RATED_COLUMN"),
                         qEnvironmentVariableIsSet("KUDORA_BENCH_STALLS"));
    }
};

#include "startup_probe_plugin.moc"
