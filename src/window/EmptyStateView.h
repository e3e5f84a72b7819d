#pragma once

#include <QWidget>

class AppModel;
class QLabel;
class QPushButton;

// The message laid over the centre of an empty table: why it is empty and, when applications are
// ignored, how many and the "Reset Ignore List" button. Keeps itself centred in its parent.
class EmptyStateView : public QWidget
{
    Q_OBJECT

public:
    EmptyStateView(const AppModel& model, QWidget* parent);

    // Shows the message for the model's present state when the table has no rows, hides it
    // otherwise.
    void refresh(bool tableIsEmpty);

    QString messageText() const;
    // The "%1 %2 ignored." line; empty while it is not shown.
    QString ignoredText() const;
    QPushButton* resetButton() const { return m_resetButton; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void recentre();

    const AppModel& m_model;
    QLabel* m_message;
    QWidget* m_ignoredRow;
    QLabel* m_ignoredLabel;
    QPushButton* m_resetButton;
};
