// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QUrl>

class QLabel;
class QPushButton;
class Workspace;

// "About Kudora": the program's icon, name and version, what it does in one line, its licence and
// its web page, with a button to Qt's own About box. Its links open through the workspace.
class AboutBox : public QDialog
{
    Q_OBJECT

public:
    // workspace must outlive the box.
    AboutBox(Workspace& workspace, QWidget* parent = nullptr);

    static QUrl homePageUrl();
    static QUrl licenceUrl();

    // The label that shows the icon, and the button that opens Qt's About box.
    QLabel* iconLabel() const { return m_icon; }
    QPushButton* aboutQtButton() const { return m_aboutQt; }

private:
    QLabel* m_icon;
    QPushButton* m_aboutQt;
};
