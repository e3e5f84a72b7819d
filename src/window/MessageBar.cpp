// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageBar.h"

#include "AppModel.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>

#include <algorithm>
#include <utility>

MessageBar::MessageBar(const AppModel& model, QWidget* parent)
    : QFrame(parent)
    , m_icon(new QLabel(this))
    , m_label(new QLabel(this))
    , m_undoButton(new QPushButton(tr("Undo"), this))
    // Each question names its own answers; these stand until the first one does.
    , m_yesButton(new QPushButton(tr("Yes"), this))
    , m_noButton(new QPushButton(tr("No"), this))
    , m_copyButton(new QPushButton(tr("Copy Address"), this))
{
    setObjectName(QStringLiteral("messageBar"));
    setAccessibleName(tr("Message"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::AlternateBase);
    setForegroundRole(QPalette::Text);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    m_label->setObjectName(QStringLiteral("messageText"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_label->setForegroundRole(QPalette::Text);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("closeMessage"));
    close->setAutoRaise(true);
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, this));
    close->setToolTip(tr("Close"));
    close->setAccessibleName(tr("Close Message"));
    connect(close, &QToolButton::clicked, this, &MessageBar::closeMessage);
    m_undoButton->setObjectName(QStringLiteral("undoButton"));
    m_undoButton->hide();
    m_yesButton->setObjectName(QStringLiteral("yesButton"));
    m_noButton->setObjectName(QStringLiteral("noButton"));
    for (const bool yes : { true, false }) {
        QPushButton* button = yes ? m_yesButton : m_noButton;
        button->hide();
        connect(button, &QPushButton::clicked, this, [this, yes] { answerQuestion(yes); });
    }
    m_copyButton->setObjectName(QStringLiteral("copyAddress"));
    m_copyButton->hide();
    connect(m_copyButton, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_address.toDisplayString()); });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 6, 6, 6);
    layout->setSpacing(8);
    layout->addWidget(m_icon, 0, Qt::AlignTop);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_undoButton, 0, Qt::AlignTop);
    layout->addWidget(m_yesButton, 0, Qt::AlignTop);
    layout->addWidget(m_noButton, 0, Qt::AlignTop);
    layout->addWidget(m_copyButton, 0, Qt::AlignTop);
    layout->addWidget(close, 0, Qt::AlignTop);
    hide();

    const auto unreadable = [this, &model] {
        if (!model.unreadableSettingsFile().isEmpty())
            showMessage(tr("Review dates and ignored apps can’t be saved until Kudora can read its "
                           "settings file “%1”. Changes you make now are kept until you quit.")
                            .arg(model.unreadableSettingsFile()));
    };
    const auto damaged = [this, &model] {
        if (!model.damagedSettingsCopy().isEmpty())
            showMessage(tr("The settings file was damaged, so review dates and ignored apps start "
                           "afresh. The damaged file was kept as “%1”.")
                            .arg(model.damagedSettingsCopy()));
    };
    connect(&model, &AppModel::unreadableSettingsFileChanged, this, unreadable);
    connect(&model, &AppModel::damagedSettingsCopyChanged, this, damaged);
    connect(&model, &AppModel::incompleteStoresChanged, this,
            [this, &model] { showIncompleteStores(model.incompleteStores()); });
    unreadable();
    damaged();
    showIncompleteStores(model.incompleteStores());
}

void MessageBar::showPageNotOpened(const QUrl& url, Purpose purpose)
{
    const QString address = url.toDisplayString();
    // No browser opens a software centre's address, so the user needs one of those.
    const bool softwareCentre = url.scheme() == u"appstream" || url.scheme() == u"snap";
    if (purpose == Purpose::Help)
        showMessage(tr("No application could open “%1”. You can open the address yourself.").arg(address),
                    true, url);
    else if (softwareCentre)
        showMessage(tr("No software centre could open “%1”, so no review was recorded. A browser cannot "
                       "open this address; open it in a software centre such as GNOME Software, KDE "
                       "Discover or the Snap Store.")
                        .arg(address),
                    true, url);
    else
        showMessage(tr("No application could open “%1”, so no review was recorded. You can open the "
                       "address yourself to write one.")
                        .arg(address),
                    true, url);
}

void MessageBar::showIncompleteStores(const QList<AppInfo::Store>& incomplete)
{
    QList<AppInfo::Store> untold;
    QStringList texts;
    for (const AppInfo::Store store : incomplete) {
        if (m_toldStores.contains(store))
            continue;
        untold.append(store);
        switch (store) {
        case AppInfo::Store::AppStore:
            texts.append(tr("App Store apps could not be listed in full: an applications folder could not be "
                            "read. Their review dates are kept."));
            break;
        case AppInfo::Store::Flatpak:
            texts.append(tr("Flatpak apps could not be listed in full: an installation could not be read. "
                            "Their review dates are kept."));
            break;
        case AppInfo::Store::Snap:
            texts.append(tr("Snaps could not be listed: snapd did not answer. Their review dates are kept."));
            break;
        case AppInfo::Store::Distribution:
            texts.append(tr("Distribution apps could not be listed in full: their AppStream metadata could "
                            "not be read. Their review dates are kept."));
            break;
        }
    }
    // A store read in full is forgotten, so that its next failure is told again.
    m_toldStores = incomplete;
    if (!untold.isEmpty()) {
        showMessage(texts.join(u'\n'));
        m_shownStores = untold;
    } else if (!m_shownStores.isEmpty()
               && std::none_of(m_shownStores.cbegin(), m_shownStores.cend(),
                               [&incomplete](AppInfo::Store store) { return incomplete.contains(store); })) {
        // Every store the message names has been read in full since.
        showMessage(QString());
    }
}

void MessageBar::showUndoable(const QString& text, QUndoStack& undoStack)
{
    showMessage(text, false);
    const int done = undoStack.index();
    m_undoWatch = connect(&undoStack, &QUndoStack::indexChanged, this, [this, done](int index) {
        if (index != done)
            showMessage(QString());
    });
    connect(m_undoButton, &QPushButton::clicked, &undoStack, &QUndoStack::undo, Qt::SingleShotConnection);
    m_undoButton->show();
}

void MessageBar::showNotice(const QString& text)
{
    showMessage(text);
}

void MessageBar::askQuestion(const QString& text, const QString& yes, const QString& no,
                             std::function<void(bool)> answer, const QString& topic)
{
    Question question { topic, text, yes, no, std::move(answer) };
    const auto same = std::find_if(m_questions.begin(), m_questions.end(),
                                   [&topic](const Question& asked) { return asked.topic == topic; });
    const bool first = same == m_questions.begin() || m_questions.isEmpty();
    if (same != m_questions.end())
        *same = std::move(question);
    else
        m_questions.append(std::move(question));
    if (isHidden() || (m_questionShown && first))
        showQuestion();
}

void MessageBar::withdrawQuestion(const QString& topic)
{
    const auto same = std::find_if(m_questions.begin(), m_questions.end(),
                                   [&topic](const Question& asked) { return asked.topic == topic; });
    if (same == m_questions.end())
        return;
    const bool shown = same == m_questions.begin() && m_questionShown;
    m_questions.erase(same);
    if (shown)
        showMessage(QString());
}

void MessageBar::showQuestion()
{
    const Question& question = m_questions.constFirst();
    showMessage(question.text, false);
    m_yesButton->setText(question.yes);
    m_noButton->setText(question.no);
    m_yesButton->show();
    m_noButton->show();
    m_questionShown = true;
}

void MessageBar::answerQuestion(bool yes)
{
    if (m_questions.isEmpty())
        return;
    const std::function<void(bool)> answer = m_questions.takeFirst().answer;
    showMessage(QString());
    answer(yes);
}

void MessageBar::closeMessage()
{
    // Closing a question answers nothing; closing another message brings back the question it hid.
    if (m_questionShown)
        m_questions.removeFirst();
    showMessage(QString());
}

void MessageBar::showMessage(const QString& text, bool warning, const QUrl& address)
{
    // The change the last message offered to undo, and the stores it named, are no longer this
    // message's.
    m_shownStores.clear();
    disconnect(m_undoWatch);
    disconnect(m_undoButton, &QPushButton::clicked, nullptr, nullptr);
    m_undoButton->hide();
    m_yesButton->hide();
    m_noButton->hide();
    m_questionShown = false;
    m_address = address;
    m_copyButton->setVisible(!address.isEmpty());
    if (text.isEmpty()) {
        if (!m_questions.isEmpty())
            showQuestion();
        else
            hide();
        return;
    }
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    const auto icon = warning ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
    m_icon->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(iconSize));
    m_label->setText(text);
    m_label->setAccessibleName(text);
    show();
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}
