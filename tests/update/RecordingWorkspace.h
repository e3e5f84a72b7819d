#pragma once

#include "Workspace.h"

#include <QList>

// Stands in for the desktop: records every request and carries none out.
class RecordingWorkspace : public Workspace
{
public:
    RecordingWorkspace() { Workspace::setSharedForTesting(this); }
    ~RecordingWorkspace() override { Workspace::setSharedForTesting(nullptr); }

    bool openUrl(const QUrl& url) override
    {
        openedUrls.append(url);
        return true;
    }
    QIcon iconForFile(const QString&) override
    {
        ++iconRequests;
        return {};
    }

    QList<QUrl> openedUrls;
    int iconRequests = 0;
};
