// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReviewChoice.h"

#include "DefaultsDomain.h"
#include "OnlineReviews.h"

ReviewChoice::Choice ReviewChoice::in(const DefaultsDomain& domain)
{
    const QVariant stored = domain.value(ChoiceKey);
    if (stored.typeId() != QMetaType::Bool)
        return Choice::Unmade;
    return stored.toBool() ? Choice::On : Choice::Off;
}

QUrl ReviewChoice::serverIn(const DefaultsDomain& domain)
{
    const QVariant stored = domain.value(ServerKey);
    if (stored.typeId() != QMetaType::QString)
        return OnlineReviews::defaultServer();
    return QUrl(stored.toString());
}
