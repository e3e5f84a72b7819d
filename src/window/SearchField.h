// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

// The toolbar's search field. Its text mirrors a value owned elsewhere (the model's search query):
// every edit is reported at once through textEdited(), and setBoundText() shows a value that
// changed elsewhere. Escape clears the text, and in an empty field asks to leave it.
class SearchField : public QLineEdit
{
    Q_OBJECT

public:
    static constexpr int Width = 200;

    explicit SearchField(QWidget* parent = nullptr);

    // Replaces the text only when it differs from value as Unicode text; a canonically equal text
    // is left alone, so that the caret and the selection stay where the user put them.
    void setBoundText(const QString& value);

signals:
    // Escape in an empty field: the focus is to go back to where the user works.
    void leaveRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
