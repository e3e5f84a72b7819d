// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UserDriver.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

// Shows the updater's results in windows of their own: top-level and not modal, so that the main
// window stays usable and an open result keeps the application running after the main window
// closes. A check that failed is the exception: it was asked for in the main window, which its
// message then belongs to, over it and blocking it until read. Each window deletes itself when
// closed; a new result replaces the one still shown.
class StandardUserDriver : public UserDriver
{
    Q_DECLARE_TR_FUNCTIONS(StandardUserDriver)

public:
    StandardUserDriver() = default;
    ~StandardUserDriver() override;

    void showUpToDate() override;
    void showUpdateFound(const AppcastItem& item, UpdateReply reply) override;
    void showError(const QString& reason) override;

    // The window that failures are shown over; while it is hidden or without one they are shown as
    // the other results.
    void setMainWindow(QWidget* window) { m_mainWindow = window; }

    // The window now shown, if any.
    QMessageBox* currentWindow() const { return m_current; }

private:
    QMessageBox* makeWindow(const QString& text, const QString& informativeText, QWidget* parent = nullptr);
    void present(QMessageBox* box);

    QPointer<QWidget> m_mainWindow;
    QPointer<QMessageBox> m_current;
};
