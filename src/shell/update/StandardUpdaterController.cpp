#include "StandardUpdaterController.h"

#include "DefaultsDomain.h"
#include "StandardUserDriver.h"

StandardUpdaterController::StandardUpdaterController(bool startingUpdater,
                                                     std::shared_ptr<DefaultsDomain> defaults,
                                                     QObject* parent)
    : UpdaterController(startingUpdater, std::make_unique<StandardUserDriver>(), std::move(defaults), {},
                        parent)
{ }
