#include "SearchField.h"

SearchField::SearchField(QWidget* parent)
    : QLineEdit(parent)
{
    setObjectName(QStringLiteral("searchField"));
    setPlaceholderText(tr("Search"));
    setAccessibleName(tr("Search"));
    setClearButtonEnabled(true);
    setFixedWidth(Width);
}

void SearchField::setBoundText(const QString& value)
{
    if (text().normalized(QString::NormalizationForm_C) == value.normalized(QString::NormalizationForm_C))
        return;
    setText(value);
}
