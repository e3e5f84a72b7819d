// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReviewCache.h"

#include "Posix.h"
#include "SafeFile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QPromise>
#include <QStandardPaths>
#include <QThreadPool>

#include <cerrno>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// {"answers": {"<id>": {"asked": "<ISO 8601>", "review": null or {"date": "<ISO 8601>",
// "rating": <1 to 100>, "summary": "<text>"}}}}
QString dateText(const QDateTime& date)
{
    return date.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime dateOf(const QJsonValue& value)
{
    QDateTime date = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    return date.isValid() ? date.toUTC() : QDateTime();
}

std::optional<ReviewCache::Answer> answerOf(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    ReviewCache::Answer answer { dateOf(object.value(u"asked")), std::nullopt };
    if (!answer.asked.isValid())
        return std::nullopt;
    const QJsonValue review = object.value(u"review");
    if (review.isNull())
        return answer;
    const QJsonObject fields = review.toObject();
    OnlineReview own { dateOf(fields.value(u"date")), int(fields.value(u"rating").toInteger(0)),
                       fields.value(u"summary").toString() };
    if (!own.date.isValid() || own.rating < 1 || own.rating > 100 || !fields.value(u"summary").isString())
        return std::nullopt;
    answer.review = std::move(own);
    return answer;
}

QJsonObject objectOf(const ReviewCache::Answer& answer)
{
    QJsonValue review(QJsonValue::Null);
    if (answer.review)
        review = QJsonObject { { u"date"_s, dateText(answer.review->date) },
                               { u"rating"_s, answer.review->rating },
                               { u"summary"_s, answer.review->summary } };
    return { { u"asked"_s, dateText(answer.asked) }, { u"review"_s, review } };
}

// The answers in the file at path; none when it is missing or damaged, and an answer that is
// damaged on its own is left out.
QHash<QString, ReviewCache::Answer> readAnswers(const QString& path)
{
    QHash<QString, ReviewCache::Answer> answers;
    const ReadResult<QByteArray> content = SafeFile::readRegularFile(path, ReviewCache::FileLimit);
    if (!content)
        return answers;
    const QJsonObject all = QJsonDocument::fromJson(*content).object().value(u"answers").toObject();
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (std::optional<ReviewCache::Answer> answer = answerOf(it.value()))
            answers.insert(it.key(), std::move(*answer));
    }
    return answers;
}

} // namespace

QString ReviewCache::defaultFolder()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache.isEmpty() ? QString() : cache + u"/kudora"_s;
}

ReviewCache::ReviewCache(QString folder, Clock clock)
    : m_folder(std::move(folder))
    , m_clock(std::move(clock))
{ }

ReviewCache::~ReviewCache()
{
    finishWriting();
}

QString ReviewCache::filePath() const
{
    return m_folder.isEmpty() ? QString() : m_folder + u"/online-reviews.json"_s;
}

QDateTime ReviewCache::now() const
{
    return m_clock ? m_clock().toUTC() : QDateTime::currentDateTimeUtc();
}

void ReviewCache::load()
{
    finishWriting();
    QHash<QString, Answer> answers = readAnswers(filePath());
    for (const QString& id : std::as_const(m_unsaved))
        answers.insert(id, m_answers.value(id));
    m_answers = std::move(answers);
}

std::optional<ReviewCache::Answer> ReviewCache::answer(const QString& id) const
{
    const auto found = m_answers.constFind(id);
    if (found == m_answers.cend())
        return std::nullopt;
    return *found;
}

bool ReviewCache::isStale(const QString& id) const
{
    const auto found = m_answers.constFind(id);
    if (found == m_answers.cend())
        return true;
    const QDateTime current = now();
    return found->asked > current || found->asked.addSecs(StaleAfter.count() * 3600) < current;
}

void ReviewCache::record(const QString& id, std::optional<OnlineReview> review)
{
    m_answers.insert(id, Answer { now(), std::move(review) });
    m_unsaved.insert(id);
}

bool ReviewCache::save()
{
    finishWriting();
    std::optional<Snapshot> snapshot = takeUnsaved();
    if (!snapshot)
        return m_unsaved.isEmpty();
    return takeWritten(*snapshot, write(*snapshot));
}

void ReviewCache::saveInBackground(QObject* context, std::function<void(bool saved)> done)
{
    finishWriting();
    std::optional<Snapshot> snapshot = takeUnsaved();
    if (!snapshot) {
        QMetaObject::invokeMethod(
            context, [done = std::move(done), saved = m_unsaved.isEmpty()] { done(saved); },
            Qt::QueuedConnection);
        return;
    }
    m_written = snapshot;
    const quint64 number = ++m_writeNumber;
    auto promise = std::make_shared<QPromise<Written>>();
    m_writing = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, snapshot = std::move(*snapshot)] {
        promise->addResult(write(snapshot));
        promise->finish();
    });
    // Taken in on context's thread, unless a call there that needed the file has waited for it
    // and taken it in already, or another save has begun since.
    m_writing.then(context, [this, done = std::move(done), number](const QFuture<Written>& finished) {
        if (m_writeNumber == number)
            finishWriting();
        done(finished.result().has_value());
    });
}

std::optional<ReviewCache::Snapshot> ReviewCache::takeUnsaved()
{
    if (m_unsaved.isEmpty() || m_inMemory || m_folder.isEmpty())
        return std::nullopt;
    Snapshot snapshot { m_folder, filePath(), {} };
    for (const QString& id : std::as_const(m_unsaved))
        snapshot.answers.insert(id, m_answers.value(id));
    m_unsaved.clear();
    return snapshot;
}

ReviewCache::Written ReviewCache::write(const Snapshot& snapshot)
{
    if (!Posix::makePrivateFolder(snapshot.folder))
        return std::nullopt;
    // Held while the file is read and replaced, so that two instances never both write what they
    // read before the other's answers were there.
    const UniqueFd lock = Posix::lock(snapshot.folder, Posix::LockWait::Wait, true);
    if (!lock.isValid())
        return std::nullopt;
    QHash<QString, Answer> merged = readAnswers(snapshot.filePath);
    for (auto it = snapshot.answers.cbegin(); it != snapshot.answers.cend(); ++it) {
        const auto theirs = merged.constFind(it.key());
        if (theirs == merged.cend() || theirs->asked <= it->asked)
            merged.insert(it.key(), it.value());
    }
    QJsonObject all;
    for (auto it = merged.cbegin(); it != merged.cend(); ++it)
        all.insert(it.key(), objectOf(it.value()));
    if (!Posix::replaceAtomically(
            snapshot.filePath,
            QJsonDocument(QJsonObject { { u"answers"_s, all } }).toJson(QJsonDocument::Compact)))
        return std::nullopt;
    return merged;
}

bool ReviewCache::takeWritten(const Snapshot& snapshot, Written written)
{
    if (!written) {
        // Still to be saved, unless recorded again meanwhile, which is unsaved anyway.
        for (auto it = snapshot.answers.cbegin(); it != snapshot.answers.cend(); ++it)
            m_unsaved.insert(it.key());
        return false;
    }
    // What the file holds now, but for the answers recorded since the snapshot.
    for (const QString& id : std::as_const(m_unsaved))
        written->insert(id, m_answers.value(id));
    m_answers = std::move(*written);
    return true;
}

bool ReviewCache::finishWriting()
{
    if (!m_written)
        return false;
    m_writing.waitForFinished();
    Written written = m_writing.result();
    m_writing = {};
    return takeWritten(*std::exchange(m_written, std::nullopt), std::move(written));
}

bool ReviewCache::removeAll()
{
    finishWriting();
    m_answers.clear();
    m_unsaved.clear();
    if (m_inMemory)
        return false;
    const QByteArray path = Posix::nativePath(filePath());
    if (path.isEmpty())
        return true;
    const UniqueFd lock = Posix::lock(m_folder, Posix::LockWait::Wait, true);
    return ::unlink(path.constData()) == 0 || errno == ENOENT;
}
