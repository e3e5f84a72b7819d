#pragma once

#include "Workspace.h"

#include <QList>

// Stands in for the desktop: records every address it is asked to open and opens none, answering
// that it did unless told to refuse.
class RecordingWorkspace : public Workspace
{
public:
    RecordingWorkspace() { Workspace::setSharedForTesting(this); }
    ~RecordingWorkspace() override { Workspace::setSharedForTesting(nullptr); }

    bool openUrl(const QUrl& url) override
    {
        openedUrls.append(url);
        return !refuses;
    }
    QIcon iconForFile(const QString&) override { return {}; }

    QList<QUrl> openedUrls;
    bool refuses = false;
};
