// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>

#include <optional>

class QWidget;

// Brings a window back where it was, as desktops that restore windows by themselves do: its normal
// (not maximised) geometry and whether it was maximised, kept in a small file of window state apart
// from the program's stored data. A file that is missing or damaged, or that places the window
// where no screen now shows it whole, gives the default size, centred on the primary screen.
class WindowPlacement : public QObject
{
    Q_OBJECT

public:
    struct State
    {
        QRect geometry; // without the frame, as QWidget::normalGeometry()
        bool maximized = false;
        bool operator==(const State&) const = default;
    };

    // Places window, which must not have been shown yet, as the file at filePath says. Once it was
    // shown, writes where it is to that file a moment after it was moved, resized, maximised or
    // restored (a session that ends by a signal never reaches the end of the program), when it is
    // closed and when the placement goes. The window must outlive the placement.
    WindowPlacement(QWidget& window, QString filePath);
    ~WindowPlacement() override;

    // "kudora/window.json" in $XDG_STATE_HOME (~/.local/state when that is unset or not absolute).
    static QString defaultFilePath();

    // The state in the file; nothing when it is missing, unreadable, damaged or out of range.
    static std::optional<State> read(const QString& filePath);
    // Replaces the file atomically, creating its folders (owner only) as needed; false on failure.
    static bool write(const QString& filePath, const State& state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restore();
    void save() const;

    QWidget& m_window;
    QString m_filePath;
    bool m_shown = false;
    QTimer m_saveSoon;
};
