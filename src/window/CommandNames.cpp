#include "CommandNames.h"

// Function-local statics: initialised once, thread-safely, on first use.
const QString& CommandNames::rescanRequested()
{
    static const QString name = QStringLiteral("Kudora.rescanRequested");
    return name;
}

const QString& CommandNames::resetReviewRequested()
{
    static const QString name = QStringLiteral("Kudora.resetReviewRequested");
    return name;
}

const QString& CommandNames::ignoreRequested()
{
    static const QString name = QStringLiteral("Kudora.ignoreRequested");
    return name;
}

const QString& CommandNames::clearIgnoreRequested()
{
    static const QString name = QStringLiteral("Kudora.clearIgnoreRequested");
    return name;
}

const QString& CommandNames::resetIgnoreListRequested()
{
    static const QString name = QStringLiteral("Kudora.resetIgnoreListRequested");
    return name;
}

const QString& CommandNames::toggleMockModeRequested()
{
    static const QString name = QStringLiteral("Kudora.toggleMockModeRequested");
    return name;
}

const QString& CommandNames::showIgnoredAppsToggled()
{
    static const QString name = QStringLiteral("Kudora.showIgnoredAppsToggled");
    return name;
}
