// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "StandardUserDriver.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

StandardUserDriver::~StandardUserDriver() = default;

void StandardUserDriver::showUpToDate()
{
    QMessageBox* box = makeWindow(
        tr("You’re up to date!"),
        tr("%1 %2 is currently the newest version available.")
            .arg(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationVersion()));
    box->setIcon(QMessageBox::Information);
    box->setStandardButtons(QMessageBox::Ok);
    present(box);
}

void StandardUserDriver::showUpdateFound(const AppcastItem& item, UpdateReply reply)
{
    const QString name = QGuiApplication::applicationDisplayName();
    QMessageBox* box =
        makeWindow(tr("A new version of %1 is available!").arg(name),
                   tr("%1 %2 is now available—you have %3. Would you like to download it now?")
                       .arg(name, item.displayVersion(), QCoreApplication::applicationVersion()));
    box->setIcon(QMessageBox::Information);
    QPushButton* download = box->addButton(tr("Download"), QMessageBox::AcceptRole);
    QPushButton* skip = box->addButton(tr("Skip This Version"), QMessageBox::DestructiveRole);
    QPushButton* later = box->addButton(tr("Remind Me Later"), QMessageBox::RejectRole);
    box->setDefaultButton(download);
    // Closing the window or pressing Escape means "later", never a choice the person did not make.
    box->setEscapeButton(later);

    auto answer = std::make_shared<UpdateReply>(std::move(reply));
    QObject::connect(box, &QMessageBox::finished, box, [box, download, skip, answer] {
        if (!*answer)
            return;
        const UpdateReply once = std::exchange(*answer, nullptr);
        const QAbstractButton* clicked = box->clickedButton();
        if (clicked == download)
            once(UpdateChoice::Download);
        else if (clicked == skip)
            once(UpdateChoice::Skip);
        else
            once(UpdateChoice::RemindLater);
    });
    present(box);
}

void StandardUserDriver::showError(const QString& reason)
{
    // A main window closed meanwhile cannot hold the message, nor keep the program running for it.
    QWidget* parent = m_mainWindow && m_mainWindow->isVisible() ? m_mainWindow.data() : nullptr;
    QMessageBox* box = makeWindow(tr("Update Error!"), reason, parent);
    box->setIcon(QMessageBox::Warning);
    box->setStandardButtons(QMessageBox::Ok);
    present(box);
}

QMessageBox* StandardUserDriver::makeWindow(const QString& text, const QString& informativeText,
                                            QWidget* parent)
{
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::NonModal);
    box->setWindowTitle(QGuiApplication::applicationDisplayName());
    box->setText(text);
    box->setInformativeText(informativeText);
    // Versions and reasons can come from the feed; shown as rich text they could carry markup,
    // images or links, so every label shows its text as it is.
    for (QLabel* label : box->findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    return box;
}

void StandardUserDriver::present(QMessageBox* box)
{
    // The new window is shown before the old one closes, so that the application never sees a
    // moment without windows and quits.
    QPointer<QMessageBox> previous = m_current;
    m_current = box;
    box->show();
    box->raise();
    box->activateWindow();
    if (previous)
        previous->close();
}
