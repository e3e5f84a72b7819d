// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationIconEngine.h"

#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

ApplicationIconEngine::ApplicationIconEngine(QList<int> sides)
    : m_sides(std::move(sides))
{ }

QSize ApplicationIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    // Never larger than asked for, like any icon, and never larger than the largest image.
    const int side = qMin(qMin(size.width(), size.height()), m_sides.isEmpty() ? 0 : m_sides.last());
    return side > 0 ? QSize(side, side) : QSize();
}

QPixmap ApplicationIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    const QSize actual = actualSize(size, mode, state);
    if (actual.isEmpty())
        return {};
    // The smallest image at least as large as wanted, so that scaling only ever shrinks.
    int side = m_sides.last();
    for (const int candidate : std::as_const(m_sides)) {
        if (candidate >= actual.width()) {
            side = candidate;
            break;
        }
    }
    QImage source = image(side);
    if (source.isNull())
        return {};
    if (source.size() != actual)
        source = source.scaled(actual, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPixmap result = QPixmap::fromImage(std::move(source));
    if (mode != QIcon::Normal && qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QStyleOption option;
        option.palette = QApplication::palette();
        result = QApplication::style()->generatedIconPixmap(mode, result, &option);
    }
    return result;
}

void ApplicationIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
    drawn.setDevicePixelRatio(ratio);
    const QSize shown = drawn.deviceIndependentSize().toSize();
    painter->drawPixmap(
        QRect(rect.topLeft()
                  + QPoint((rect.width() - shown.width()) / 2, (rect.height() - shown.height()) / 2),
              shown),
        drawn);
}

QList<QSize> ApplicationIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> sizes;
    sizes.reserve(m_sides.size());
    for (const int side : std::as_const(m_sides))
        sizes.append(QSize(side, side));
    return sizes;
}

QString ApplicationIconEngine::key() const
{
    return QStringLiteral("ApplicationIconEngine");
}

QIconEngine* ApplicationIconEngine::clone() const
{
    return new ApplicationIconEngine(*this);
}

QImage ApplicationIconEngine::image(int side)
{
    const auto cached = m_images.constFind(side);
    if (cached != m_images.cend())
        return *cached;
    // The format is named and guessing turned off: a reader that may guess asks every
    // image-format plugin installed whether it wants the file, which loads them all.
    QImageReader reader(QStringLiteral(":/icons/%1x%1/apps/org.kudora.Kudora.png").arg(side), "png");
    reader.setAutoDetectImageFormat(false);
    const QImage decoded = reader.read();
    m_images.insert(side, decoded);
    return decoded;
}
