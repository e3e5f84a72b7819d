#pragma once

#include "Workspace.h"

#include <QList>

// Stands in for the desktop: records the addresses it is asked to open, opening none.
class RecordingWorkspace : public Workspace
{
public:
    bool openUrl(const QUrl& url) override
    {
        openedUrls.append(url);
        return !refuses;
    }
    QIcon iconForFile(const QString&) override { return {}; }

    QList<QUrl> openedUrls;
    bool refuses = false;
};
