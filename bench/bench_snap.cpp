// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What listing snaps costs against a floor measured in the same run: the same request to the same
// stand-in for snapd, its answer read to the end of the connection and parsed with QJsonDocument,
// nothing else. The source's work beyond the floor is checking the answer, picking the store
// applications, reading the usage records and building the records. 200 snaps, each described as
// snapd describes one (a kilobyte of text and its apps), each with a desktop entry and a use
// recorded by GNOME Shell; the answer comes as snapd sends a long one to an HTTP/1.0 request,
// ended by closing the connection.

#include "BenchTable.h"
#include "SnapSource.h"
#include "SnapdDouble.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int Snaps = 200;
constexpr int Repetitions = 7;

QString s_root;
SnapdDouble* s_snapd = nullptr;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool makeSnaps()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString description = QString(u"A snap for the benchmark. "_s).repeated(40);
    QJsonArray snaps;
    QByteArray uses = "<?xml version=\"1.0\"?>\n<application-state>\n  <context id=\"\">\n";
    for (int i = 0; i < Snaps; ++i) {
        const QString name = u"bench-snap-%1"_s.arg(i, 3, 10, QChar(u'0'));
        const QString desktopID = name + u'_' + name + u".desktop"_s;
        const QString entry = s_root + u"/applications/"_s + desktopID;
        if (!writeFile(entry,
                       "[Desktop Entry]\nType=Application\nName=Bench Snap\nExec=" + name.toUtf8() + '\n'))
            return false;
        snaps.append(SnapdDouble::storeSnap(name, u"Bench Snap %1"_s.arg(i), { entry }, now.addDays(-i),
                                            { { u"description"_s, description } }));
        uses += "    <application id=\"" + desktopID.toUtf8()
            + "\" open-window-count=\"0\" score=\"1\" last-seen=\""
            + QByteArray::number(now.addDays(-i).toSecsSinceEpoch()) + "\"/>\n";
    }
    s_snapd->setReply({ SnapdDouble::syncBody(snaps), "200 OK", SnapdDouble::Framing::CloseDelimited });
    return writeFile(s_root + u"/data/gnome-shell/application_state"_s,
                     uses + "  </context>\n</application-state>\n");
}

void snapScan(benchmark::State& state)
{
    const SnapSource source(s_snapd->socketPath(), s_root + u"/data"_s);
    qsizetype found = 0;
    for (auto _ : state) {
        const AppSource::Result result = source.scan({});
        found = result.apps.size();
        benchmark::DoNotOptimize(result.apps.constData());
    }
    state.counters["apps"] = double(found);
}

void floorReadAndParse(benchmark::State& state)
{
    qsizetype found = 0;
    for (auto _ : state) {
        QLocalSocket socket;
        socket.connectToServer(s_snapd->socketPath());
        socket.waitForConnected();
        socket.write("GET /v2/snaps HTTP/1.0\r\nHost: localhost\r\n\r\n");
        QByteArray answer;
        while (socket.waitForReadyRead())
            answer += socket.readAll();
        answer += socket.readAll();
        const QJsonDocument document = QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4));
        found = document.object().value(u"result").toArray().size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["snaps"] = double(found);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    s_root = root.path();
    SnapdDouble snapd;
    s_snapd = &snapd;
    if (!makeSnaps())
        return 1;
    const qsizetype found = SnapSource(snapd.socketPath(), s_root + u"/data"_s).scan({}).apps.size();
    if (found != Snaps) {
        std::fprintf(stderr, "bench_snap: the scan found %lld of %d snaps\n", qlonglong(found), Snaps);
        return 1;
    }

    BenchTable::measure("snapScan", snapScan, Repetitions)->UseRealTime();
    BenchTable::measure("floorReadAndParse", floorReadAndParse, Repetitions)->UseRealTime();
    BenchTable::MedianCollector collector;
    if (!BenchTable::run(&argc, argv, collector))
        return 1;
    BenchTable::print({ "Snap scan, 200 snaps (floor: the same answer read and parsed with QJsonDocument)",
                        collector.median("snapScan").realMs, "ms",
                        collector.median("floorReadAndParse").realMs, BenchTable::Target::RatioAtMost, 2.0 });
    benchmark::Shutdown();
    return 0;
}
