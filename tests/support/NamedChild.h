// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// The object called name among parent's descendants, as the window builds it; the test stops here,
// saying which, when there is none, rather than crashing further on.
template<class T>
T* namedChild(const QObject* parent, const QString& name)
{
    T* child = parent->findChild<T*>(name);
    if (!child)
        qFatal("No %s called “%s”", T::staticMetaObject.className(), qPrintable(name));
    return child;
}
