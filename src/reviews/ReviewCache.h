// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "OnlineReview.h"

#include <QDateTime>
#include <QFuture>
#include <QHash>
#include <QSet>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class QObject;

// The ratings service's last answer for each AppStream id: the user's own review or none, with
// when it was asked. Nothing else of an answer is kept, least of all other people's reviews. One
// file, replaced whole, so that a crash leaves the old answers or the new; another instance saving
// at the same time adds its answers rather than losing them or ours.
class ReviewCache
{
public:
    using Clock = std::function<QDateTime()>;
    struct Answer
    {
        QDateTime asked;
        std::optional<OnlineReview> review;

        friend bool operator==(const Answer&, const Answer&) = default;
    };
    // An answer older than this is asked for again.
    static constexpr std::chrono::hours StaleAfter { 24 };
    // Far more than the answers of thousands of applications.
    static constexpr qint64 FileLimit = 8 * 1024 * 1024;

    // "kudora" in the XDG cache folder.
    static QString defaultFolder();

    // Reads nothing yet. clock gives the time answers are stamped and judged with (the current
    // time when empty).
    explicit ReviewCache(QString folder = defaultFolder(), Clock clock = {});
    // Waits for a save still being written.
    ~ReviewCache();
    ReviewCache(const ReviewCache&) = delete;
    ReviewCache& operator=(const ReviewCache&) = delete;

    QString filePath() const;
    QDateTime now() const;

    // Reads the answers saved; a file that cannot be read as answers is ignored, and replaced by
    // the next save. Answers not yet saved stay.
    void load();

    std::optional<Answer> answer(const QString& id) const;
    const QHash<QString, Answer>& answers() const { return m_answers; }
    // Whether id has no answer or one asked more than a day ago (or, by a clock set back, later
    // than now).
    bool isStale(const QString& id) const;

    // The service's answer for id, asked now.
    void record(const QString& id, std::optional<OnlineReview> review);
    bool hasUnsavedAnswers() const { return !m_unsaved.isEmpty() || m_written.has_value(); }

    // Writes the answers recorded since the last save, over the file as it is now: for each id
    // the answer asked last wins, whichever instance asked. Afterwards the cache holds what the
    // file does. False when nothing could be written; the answers then stay unsaved.
    bool save();
    // The same on a thread of its own, since writing the file may wait for the disk and for
    // another instance: done gets the outcome on context's thread, unless context is gone by
    // then. Meanwhile the cache answers as before; every other call that touches the file waits
    // for the write first.
    void saveInBackground(QObject* context, std::function<void(bool saved)> done);

    // Forgets every answer, on disk too; true when no file is left.
    bool removeAll();

    // From now on save() and removeAll() leave the file alone, and answers recorded stay in
    // memory only: for a reader that must change nothing.
    void keepInMemory() { m_inMemory = true; }

private:
    // What a save writes, taken from the cache on its own thread.
    struct Snapshot
    {
        QString folder;
        QString filePath;
        QHash<QString, Answer> answers;
    };
    // The file's answers once a snapshot's are written over it; none when nothing could be written.
    using Written = std::optional<QHash<QString, Answer>>;
    std::optional<Snapshot> takeUnsaved();
    static Written write(const Snapshot& snapshot);
    bool takeWritten(const Snapshot& snapshot, Written written);
    // Takes in the outcome of a background save, waiting for it if it is still being written;
    // false when there was none or it failed.
    bool finishWriting();

    QString m_folder;
    Clock m_clock;
    QHash<QString, Answer> m_answers;
    QSet<QString> m_unsaved;
    bool m_inMemory = false;
    // The background save being written, and what it writes.
    QFuture<Written> m_writing;
    std::optional<Snapshot> m_written;
    quint64 m_writeNumber = 0;
};
