// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class DefaultsDomain;

// What the user chose about looking up their reviews online, and where, as the defaults domain
// keeps it for the window and the command line alike.
class ReviewChoice
{
    Q_GADGET

public:
    enum class Choice { Unmade, On, Off };
    Q_ENUM(Choice)

    static inline const QString ChoiceKey = QStringLiteral("lookUpOnlineReviews");
    static inline const QString ServerKey = QStringLiteral("reviewServer");

    // A boolean under ChoiceKey, else no choice.
    static Choice in(const DefaultsDomain& domain);
    // The text under ServerKey, else the ratings service's own address.
    static QUrl serverIn(const DefaultsDomain& domain);
};
