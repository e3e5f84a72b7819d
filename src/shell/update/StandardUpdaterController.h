#pragma once

#include "UpdaterController.h"

#include <memory>

class DefaultsDomain;

// The updater controller with the standard windows for its results.
class StandardUpdaterController : public UpdaterController
{
    Q_OBJECT

public:
    StandardUpdaterController(bool startingUpdater, std::shared_ptr<DefaultsDomain> defaults,
                              QObject* parent = nullptr);
};
