// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppId.h"
#include "ReviewChoice.h"
#include "UserHash.h"

#include <QMultiHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QUrl>

#include <memory>

class AppInfo;
class AppModel;
class DefaultsDomain;
class MessageBar;
class OnlineReviews;
class QAction;
class ReviewCache;

// Whether the user's own reviews are looked up on the ratings service, and the lookups that
// choice allows. Until the user has chosen, the window's message bar asks once; the menu item
// shows and changes the choice, which the defaults domain keeps. With the choice on, the answers
// cached are shown in the catalogue's rows and those older than a day are asked again after each
// scan; an application whose page the user opened is asked again when the window is next
// activated, when they come back from reviewing it. With it off or not made, nothing is sent, and
// turning it off forgets every answer.
class OnlineReviewsController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(ReviewChoice::Choice choice READ choice NOTIFY choiceChanged)

public:
    using Choice = ReviewChoice::Choice;

    // The model, the domain and the cache must outlive it. Reads nothing until the first scan
    // ends, so that the window paints first.
    OnlineReviewsController(AppModel& model, DefaultsDomain& domain, ReviewCache& cache, UserHash hash,
                            QUrl server, QObject* parent = nullptr);
    ~OnlineReviewsController() override;

    Choice choice() const { return m_choice; }
    // Stores the choice; on, it shows what is cached and looks up what is stale, off it forgets
    // every answer and what the rows show of them.
    void setChoice(bool lookUp);

    // "Look Up My Reviews Online", checked while the choice is on.
    QAction* action() const { return m_action; }

    // Asks in bar, once the first scan has found applications to look up, until the choice is
    // made; tells there once why nothing can be looked up when the computer gives no user hash.
    void useMessageBar(MessageBar& bar);

    // The user went to app's page: it is looked up, however fresh its answer, the next time the
    // window watchActivation() was given is activated.
    void lookUpOnReturn(const AppInfo& app);
    void watchActivation(QWidget& window);

    // Busy while answers are awaited.
    bool isBusy() const;

signals:
    void choiceChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makeLookups();
    void scanEnded();
    void loadCache();
    // Shows the cached answers in every row, and notes which rows each AppStream id's answer is for.
    void showAnswers();
    void showAnswer(const QString& id);
    void lookUpStale();
    void ask();
    void tellWhyNot();

    AppModel& m_model;
    DefaultsDomain& m_domain;
    ReviewCache& m_cache;
    UserHash m_hash;
    QUrl m_server;
    std::unique_ptr<OnlineReviews> m_lookups;
    Choice m_choice;
    QAction* m_action;
    MessageBar* m_bar = nullptr;
    bool m_cacheLoaded = false;
    bool m_scanned = false;
    bool m_asked = false;
    bool m_toldWhyNot = false;
    // The AppStream ids of the pages opened since the window was last activated.
    QSet<QString> m_opened;
    // The records of each AppStream id, as the rows were when their answers were last all shown:
    // so that an answer's rows are found without going through every row.
    QMultiHash<QString, AppId> m_appsByStreamId;
};
