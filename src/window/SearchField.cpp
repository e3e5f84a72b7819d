// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchField.h"

#include <QKeyEvent>
#include <QToolButton>

SearchField::SearchField(QWidget* parent)
    : QLineEdit(parent)
{
    setObjectName(QStringLiteral("searchField"));
    setPlaceholderText(tr("Search"));
    setAccessibleName(tr("Search"));
    setClearButtonEnabled(true);
    // The clear button, the field's one tool button, shows an icon alone.
    for (QToolButton* button : findChildren<QToolButton*>())
        button->setAccessibleName(tr("Clear Search"));
    setFixedWidth(Width);
}

void SearchField::setBoundText(const QString& value)
{
    if (text().normalized(QString::NormalizationForm_C) == value.normalized(QString::NormalizationForm_C))
        return;
    setText(value);
}

void SearchField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    if (text().isEmpty()) {
        emit leaveRequested();
        return;
    }
    // As the clear button does: one edit, reported like any other.
    clear();
    emit textEdited(QString());
}
