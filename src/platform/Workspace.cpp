#include "Workspace.h"

#include "DesktopWorkspace.h"

#include <atomic>

namespace {
std::atomic<Workspace*> s_replacement = nullptr;
}

Workspace& Workspace::shared()
{
    if (Workspace* replacement = s_replacement.load())
        return *replacement;
    static DesktopWorkspace desktop;
    return desktop;
}

void Workspace::setSharedForTesting(Workspace* workspace)
{
    s_replacement.store(workspace);
}
