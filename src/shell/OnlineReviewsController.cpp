// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnlineReviewsController.h"

#include "AppModel.h"
#include "AppStreamId.h"
#include "DefaultsDomain.h"
#include "MessageBar.h"
#include "OnlineReviews.h"
#include "ReviewCache.h"

#include <QAction>
#include <QEvent>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {
const QString QuestionTopic = u"onlineReviews"_s;
} // namespace

OnlineReviewsController::OnlineReviewsController(AppModel& model, DefaultsDomain& domain, ReviewCache& cache,
                                                 UserHash hash, QUrl server, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_domain(domain)
    , m_cache(cache)
    , m_hash(std::move(hash))
    , m_server(std::move(server))
    , m_choice(ReviewChoice::in(domain))
    , m_action(new QAction(tr("Look Up My &Reviews Online"), this))
{
    makeLookups();
    m_action->setCheckable(true);
    m_action->setChecked(m_choice == Choice::On);
    connect(m_action, &QAction::triggered, this, &OnlineReviewsController::setChoice);
    connect(this, &OnlineReviewsController::choiceChanged, m_action,
            [this] { m_action->setChecked(m_choice == Choice::On); });
    connect(&m_model, &AppModel::rescanFinished, this, &OnlineReviewsController::scanEnded);
    connect(&m_model, &AppModel::refreshFinished, this, &OnlineReviewsController::scanEnded);
}

OnlineReviewsController::~OnlineReviewsController() = default;

void OnlineReviewsController::makeLookups()
{
    m_lookups = std::make_unique<OnlineReviews>(m_cache, m_hash, m_server);
    connect(m_lookups.get(), &OnlineReviews::answered, this,
            [this](const QString& id, OnlineReviews::Outcome outcome) {
                if (outcome != OnlineReviews::Outcome::Failed)
                    showAnswer(id);
            });
}

bool OnlineReviewsController::isBusy() const
{
    return m_lookups->isBusy();
}

void OnlineReviewsController::setChoice(bool lookUp)
{
    const Choice choice = lookUp ? Choice::On : Choice::Off;
    m_domain.setValue(ReviewChoice::ChoiceKey, lookUp);
    if (m_bar)
        m_bar->withdrawQuestion(QuestionTopic);
    if (choice == m_choice)
        return;
    m_choice = choice;
    if (lookUp) {
        loadCache();
        showAnswers();
        lookUpStale();
    } else {
        // Abandoned first: a lookup still running would otherwise save its answer after the
        // cache is gone.
        makeLookups();
        m_cache.removeAll();
        m_cacheLoaded = false;
        m_opened.clear();
        m_appsByStreamId.clear();
        m_model.setOnlineReviews({});
    }
    emit choiceChanged();
}

void OnlineReviewsController::useMessageBar(MessageBar& bar)
{
    m_bar = &bar;
    if (m_scanned)
        ask();
}

void OnlineReviewsController::watchActivation(QWidget& window)
{
    window.installEventFilter(this);
}

void OnlineReviewsController::lookUpOnReturn(const AppInfo& app)
{
    if (std::optional<QString> id = AppStreamId::of(app); id && m_choice == Choice::On)
        m_opened.insert(*id);
}

bool OnlineReviewsController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && !m_opened.isEmpty() && m_choice == Choice::On) {
        loadCache();
        m_lookups->lookUpFirst(QStringList(m_opened.cbegin(), m_opened.cend()));
        m_opened.clear();
    }
    return QObject::eventFilter(watched, event);
}

void OnlineReviewsController::scanEnded()
{
    m_scanned = true;
    if (m_choice == Choice::On) {
        loadCache();
        showAnswers();
        lookUpStale();
    }
    ask();
}

void OnlineReviewsController::loadCache()
{
    if (!std::exchange(m_cacheLoaded, true))
        m_cache.load();
}

void OnlineReviewsController::showAnswers()
{
    m_appsByStreamId.clear();
    AppModel::OnlineReviews reviews;
    for (const AppInfo& app : m_model.apps()) {
        const std::optional<QString> id = AppStreamId::of(app);
        if (!id)
            continue;
        m_appsByStreamId.insert(*id, app.id());
        if (const std::optional<ReviewCache::Answer> answer = m_cache.answer(*id); answer && answer->review)
            reviews.insert(app.id(), *answer->review);
    }
    m_model.setOnlineReviews(std::move(reviews));
}

void OnlineReviewsController::showAnswer(const QString& id)
{
    if (m_choice != Choice::On)
        return;
    const std::optional<ReviewCache::Answer> answer = m_cache.answer(id);
    for (auto it = m_appsByStreamId.constFind(id); it != m_appsByStreamId.cend() && it.key() == id; ++it)
        m_model.setOnlineReview(it.value(), answer ? answer->review : std::nullopt);
}

void OnlineReviewsController::lookUpStale()
{
    if (!m_lookups->lookUpStale(AppStreamId::of(m_model.apps())))
        tellWhyNot();
}

void OnlineReviewsController::tellWhyNot()
{
    if (!m_bar || m_lookups->canLookUp() || std::exchange(m_toldWhyNot, true))
        return;
    if (!m_hash.isValid())
        m_bar->showNotice(m_hash.failureReason());
    else
        m_bar->showNotice(tr("Your reviews cannot be looked up: the ratings service’s address %1 is "
                             "neither an https address nor one on this computer.")
                              .arg(m_server.toDisplayString()));
}

void OnlineReviewsController::ask()
{
    // An offer that a yes could not keep is not made.
    if (!m_bar || m_choice != Choice::Unmade || !m_lookups->canLookUp() || m_asked)
        return;
    const qsizetype count = AppStreamId::of(m_model.apps()).size();
    if (count == 0)
        return;
    m_asked = true;
    m_bar->askQuestion(
        tr("Kudora can look up which of your %n applications you have reviewed in GNOME Software or "
           "KDE Discover. It would send their ids, and never who you are, to the Open Desktop Ratings "
           "Service (%1). “Look Up My Reviews Online” in the View menu changes this later.",
           nullptr, int(count))
            .arg(m_server.host()),
        tr("Look Up My Reviews"), tr("Not Now"), [this](bool yes) { setChoice(yes); }, QuestionTopic);
}
