// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AboutBox.h"

#include "Workspace.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
QString link(const QUrl& url, const QString& text)
{
    return u"<a href=\"%1\">%2</a>"_s.arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                                          text.toHtmlEscaped());
}
} // namespace

AboutBox::AboutBox(Workspace& workspace, QWidget* parent)
    : QDialog(parent)
    , m_icon(new QLabel(this))
    , m_aboutQt(new QPushButton(tr("About &Qt"), this))
{
    const QString name = QGuiApplication::applicationDisplayName();
    setWindowTitle(tr("About %1").arg(name));

    m_icon->setPixmap(QApplication::windowIcon().pixmap(QSize(64, 64), devicePixelRatio()));
    m_icon->setAlignment(Qt::AlignTop);
    m_icon->setAccessibleName(tr("%1 icon").arg(name));

    auto* title = new QLabel(name, this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    QStringList lines;
    const QString version = QCoreApplication::applicationVersion();
    if (!version.isEmpty())
        lines.append(tr("Version %1").arg(version).toHtmlEscaped());
    lines.append(tr("Reminds you to review the store applications you use.").toHtmlEscaped());
    lines.append(link(homePageUrl(), homePageUrl().host()));
    lines.append(tr("Free software under the %1.")
                     .arg(link(licenceUrl(), tr("GNU General Public License, version 3 or later"))));
    auto* text = new QLabel(u"<p>"_s + lines.join(u"</p><p>"_s) + u"</p>"_s, this);
    text->setTextFormat(Qt::RichText);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextBrowserInteraction);
    // The desktop's handler opens the pages, as every other page the program opens.
    text->setOpenExternalLinks(false);
    connect(text, &QLabel::linkActivated, this, [&workspace](const QString& address) {
        workspace.openUrl(QUrl(address, QUrl::StrictMode), nullptr, {});
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_aboutQt, QDialogButtonBox::HelpRole);
    // Return closes the box wherever its focus is, as in a message box: a push button that had the
    // focus would otherwise take Return for itself, and About Qt has it after Qt's box closes.
    // Space still presses the button that has the focus.
    m_aboutQt->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Close)->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_aboutQt, &QPushButton::clicked, this, [this] { QApplication::aboutQt(); });

    auto* column = new QVBoxLayout;
    column->addWidget(title);
    column->addWidget(text);
    auto* row = new QHBoxLayout;
    row->setSpacing(18);
    row->addWidget(m_icon);
    row->addLayout(column, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    // Wide enough for its title and a line of text without eliding either.
    setMinimumWidth(420);
}

QUrl AboutBox::homePageUrl()
{
    return QUrl(u"https://kudora.org/"_s);
}

QUrl AboutBox::licenceUrl()
{
    return QUrl(u"https://www.gnu.org/licenses/gpl-3.0.html"_s);
}
