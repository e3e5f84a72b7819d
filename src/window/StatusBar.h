#pragma once

#include <QWidget>

class AppModel;
class QLabel;

// The one-line summary under the table: how many applications were found and how many are
// ignored, kept up to date as the model changes. Holds nothing between refreshes.
class StatusBar : public QWidget
{
    Q_OBJECT

public:
    explicit StatusBar(const AppModel& model, QWidget* parent = nullptr);

    // Re-reads the counts from the model.
    void refresh();

    QString text() const;

    // The summary for the given counts, as the bar shows it.
    static QString textFor(qsizetype appCount, qsizetype ignoredCount, bool showingIgnored);

private:
    const AppModel& m_model;
    QLabel* m_label;
};
