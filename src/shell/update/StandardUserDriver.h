// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UserDriver.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

// Shows the updater's results in windows of their own: top-level and not modal, so that the main
// window stays usable and an open result keeps the application running after the main window
// closes. Each window deletes itself when closed; a new result replaces the one still shown.
class StandardUserDriver : public UserDriver
{
    Q_DECLARE_TR_FUNCTIONS(StandardUserDriver)

public:
    StandardUserDriver() = default;
    ~StandardUserDriver() override;

    void showUpToDate() override;
    void showUpdateFound(const AppcastItem& item, UpdateReply reply) override;
    void showError(const QString& reason) override;

    // The window now shown, if any.
    QMessageBox* currentWindow() const { return m_current; }

private:
    QMessageBox* makeWindow(const QString& text, const QString& informativeText);
    void present(QMessageBox* box);

    QPointer<QMessageBox> m_current;
};
