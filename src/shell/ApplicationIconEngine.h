// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QList>

// Kudora's icon drawn from the PNG images built into the program, each one decoded the first time
// a window asks for its size rather than all of them before the first window shows.
class ApplicationIconEngine : public QIconEngine
{
public:
    // The sides, in pixels, of the built-in images, smallest first.
    explicit ApplicationIconEngine(QList<int> sides);

    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString key() const override;
    QIconEngine* clone() const override;

private:
    // The built-in image of that side, decoded once; null when it cannot be read.
    QImage image(int side);

    QList<int> m_sides;
    QHash<int, QImage> m_images;
};
