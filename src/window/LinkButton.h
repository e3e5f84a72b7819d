// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QToolButton>

// A button drawn as underlined text in its foreground colour, without a bezel, that shows the
// style's focus frame while it has the keyboard focus. Give it an action with setDefaultAction()
// to make it that action's button.
class LinkButton : public QToolButton
{
    Q_OBJECT

public:
    explicit LinkButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
