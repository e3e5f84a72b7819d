// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppInfo.h"

#include <QFrame>
#include <QList>
#include <QUrl>

#include <functional>
#include <optional>

class AppModel;
class QLabel;
class QPushButton;
class QUndoStack;

// A message across the top of the window's content, for what the user must hear of without being
// stopped by it: a settings file that cannot be read or was damaged, a store that could not be
// read in full, a review page that did not open, a change of many rows that can be taken back.
// Plain text that can be selected (to copy a path or an address), a button that copies the address
// a message names and one that closes it; a new message takes the place of the one shown. A
// question waits behind the message shown and comes back once a message that took its place is
// gone. Its colours come from the palette.
class MessageBar : public QFrame
{
    Q_OBJECT

public:
    // Shows what the model's store met with its settings file, once each time that changes, and
    // names each store a rescan could not read in full, once until it has been read in full again.
    explicit MessageBar(const AppModel& model, QWidget* parent = nullptr);

    // What the page that did not open was for.
    enum class Purpose { Review, Help };
    // Tells that nothing could open url (for a review: so none was recorded), offering to copy it.
    void showPageNotOpened(const QUrl& url, Purpose purpose);
    // Tells what the change just pushed on undoStack did, with a button that undoes it. The
    // message goes as soon as that change is no longer the last one done.
    void showUndoable(const QString& text, QUndoStack& undoStack);

    // Tells text, which needs no answer.
    void showNotice(const QString& text);

    // Asks text with two buttons, yes and no, whose click calls answer with true or false and ends
    // the question. Closing the bar instead puts the question away unanswered; asking again under
    // the same topic, or withdrawQuestion(topic), replaces it. Questions of other topics wait
    // behind it, in the order they were asked.
    void askQuestion(const QString& text, const QString& yes, const QString& no,
                     std::function<void(bool)> answer, const QString& topic = {});
    // Puts away the question of topic, if any, unanswered: it was answered elsewhere.
    void withdrawQuestion(const QString& topic = {});

private:
    struct Question
    {
        QString topic;
        QString text;
        QString yes;
        QString no;
        std::function<void(bool)> answer;
    };

    // An empty text hides the bar; a message about an address offers to copy it.
    void showMessage(const QString& text, bool warning = true, const QUrl& address = {});
    void showQuestion();
    void answerQuestion(bool yes);
    void closeMessage();
    void showIncompleteStores(const QList<AppInfo::Store>& incomplete);

    QLabel* m_icon;
    QLabel* m_label;
    QPushButton* m_undoButton;
    QPushButton* m_yesButton;
    QPushButton* m_noButton;
    QMetaObject::Connection m_undoWatch;
    // The first is the one asked.
    QList<Question> m_questions;
    bool m_questionShown = false;
    QPushButton* m_copyButton;
    QUrl m_address;
    // The stores named since they were last read in full, and those the message shown names.
    QList<AppInfo::Store> m_toldStores;
    QList<AppInfo::Store> m_shownStores;
};
