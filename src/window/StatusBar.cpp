#include "StatusBar.h"

#include "AppModel.h"
#include "LabelColors.h"

#include <QHBoxLayout>
#include <QLabel>

StatusBar::StatusBar(const AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_label(new QLabel(this))
{
    setObjectName(QStringLiteral("statusBar"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 5, 12, 5);
    layout->setSpacing(4);
    layout->addWidget(m_label, 0, Qt::AlignVCenter);
    layout->addStretch(1);

    m_label->setObjectName(QStringLiteral("statusLabel"));
    m_label->setTextFormat(Qt::PlainText);
    QFont caption = m_label->font();
    if (caption.pointSizeF() > 0)
        caption.setPointSizeF(caption.pointSizeF() * 0.85);
    m_label->setFont(caption);
    LabelColors::apply(m_label, LabelColors::Level::Secondary);

    for (const auto changed :
         { &AppModel::appsChanged, &AppModel::ignoredIDsChanged, &AppModel::showingIgnoredChanged })
        connect(&m_model, changed, this, &StatusBar::refresh);
    refresh();
}

void StatusBar::refresh()
{
    const QString summary =
        textFor(m_model.apps().size(), m_model.ignoredIDs().size(), m_model.showingIgnored());
    if (m_label->text() == summary)
        return;
    m_label->setText(summary);
    m_label->setAccessibleName(summary);
}

QString StatusBar::text() const
{
    return m_label->text();
}

QString StatusBar::textFor(qsizetype appCount, qsizetype ignoredCount, bool showingIgnored)
{
    if (showingIgnored) {
        const QString noun = ignoredCount == 1 ? tr("app") : tr("apps");
        return tr("%1 ignored %2").arg(ignoredCount).arg(noun);
    }
    const QString noun = appCount == 1 ? tr("App Store app") : tr("App Store apps");
    QString summary = tr("%1 %2 found").arg(appCount).arg(noun);
    if (ignoredCount > 0)
        summary += u' ' + tr("·") + u' ' + tr("%1 ignored").arg(ignoredCount);
    return summary;
}
