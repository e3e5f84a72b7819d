// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class LinkButton;
class QAction;
class QLabel;

// The message laid over the centre of an empty table: why it is empty and, when applications are
// ignored, how many, with the button that resets the ignore list. Keeps itself centred in its parent.
class EmptyStateView : public QWidget
{
    Q_OBJECT

public:
    explicit EmptyStateView(QWidget* parent);

    // The message, and under it the note on ignored applications with the reset button when the
    // note is not empty.
    void setTexts(const QString& message, const QString& ignoredNote);
    // What the reset button triggers.
    void setResetAction(QAction* action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void recentre();

    QLabel* m_message;
    QWidget* m_ignoredRow;
    QLabel* m_ignoredLabel;
    LinkButton* m_resetButton;
};
