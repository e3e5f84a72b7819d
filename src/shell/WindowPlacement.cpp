// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowPlacement.h"

#include "Posix.h"
#include "SafeFile.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
// Far beyond any screen; a value outside is no placement but damage.
constexpr int Limit = 1'000'000;
constexpr qint64 MaximumFileSize = 4096;
// What a window manager's frame and title bar add around the window, at most: a default window
// leaves room for them on the screen.
constexpr QSize FrameAllowance(16, 48);

std::optional<int> integerIn(const QJsonValue& value, int minimum)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < minimum || number > Limit)
        return std::nullopt;
    return int(number);
}

// Shown whole on the area a screen leaves to windows. A screen that was unplugged or made smaller
// since, or a window dragged half off one, would otherwise come back with its title bar, and with
// it the way to move it, out of reach.
bool fitsOnAScreen(const QRect& geometry)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    return std::any_of(screens.cbegin(), screens.cend(), [&geometry](const QScreen* screen) {
        return screen->availableGeometry().contains(geometry);
    });
}

} // namespace

WindowPlacement::WindowPlacement(QWidget& window, QString filePath)
    : m_window(window)
    , m_filePath(std::move(filePath))
{
    restore();
    m_window.installEventFilter(this);
    // A drag or a resize is many events; the file is written once it has ended.
    m_saveSoon.setSingleShot(true);
    m_saveSoon.setInterval(1000);
    connect(&m_saveSoon, &QTimer::timeout, this, &WindowPlacement::save);
}

WindowPlacement::~WindowPlacement()
{
    save();
}

QString WindowPlacement::defaultFilePath()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!base.startsWith(u'/'))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/kudora/window.json");
}

std::optional<WindowPlacement::State> WindowPlacement::read(const QString& filePath)
{
    const std::optional<QByteArray> bytes = SafeFile::readRegularFile(filePath, MaximumFileSize);
    if (!bytes)
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(*bytes).object();
    const auto x = integerIn(object.value(u"x"), -Limit);
    const auto y = integerIn(object.value(u"y"), -Limit);
    const auto width = integerIn(object.value(u"width"), 1);
    const auto height = integerIn(object.value(u"height"), 1);
    const QJsonValue maximized = object.value(u"maximized");
    if (!x || !y || !width || !height || !maximized.isBool())
        return std::nullopt;
    return State { QRect(*x, *y, *width, *height), maximized.toBool() };
}

bool WindowPlacement::write(const QString& filePath, const State& state)
{
    if (!Posix::makePrivateFolder(QFileInfo(filePath).path()))
        return false;
    const QJsonObject object { { u"x"_s, state.geometry.x() },
                               { u"y"_s, state.geometry.y() },
                               { u"width"_s, state.geometry.width() },
                               { u"height"_s, state.geometry.height() },
                               { u"maximized"_s, state.maximized } };
    return Posix::replaceAtomically(filePath, QJsonDocument(object).toJson());
}

void WindowPlacement::restore()
{
    const std::optional<State> saved = read(m_filePath);
    if (saved && fitsOnAScreen(saved->geometry)) {
        m_window.setGeometry(saved->geometry);
        if (saved->maximized)
            m_window.setWindowState(m_window.windowState() | Qt::WindowMaximized);
        return;
    }
    // The size the window takes by itself when shown, where the person sees it first, and never
    // more than the screen holds: a small screen, or a large scale factor, would otherwise centre
    // it at a negative place.
    m_window.adjustSize();
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        const QRect available = primary->availableGeometry();
        m_window.resize(m_window.size().boundedTo(available.size() - FrameAllowance));
        QRect centred(QPoint(), m_window.size());
        centred.moveCenter(available.center());
        m_window.setGeometry(centred);
    }
}

void WindowPlacement::save() const
{
    if (m_shown)
        write(m_filePath, { m_window.normalGeometry(), m_window.isMaximized() });
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window) {
        switch (event->type()) {
        case QEvent::Show:
            m_shown = true;
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            if (m_shown)
                m_saveSoon.start();
            break;
        case QEvent::Close:
            save();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
