#pragma once

#include <QString>

// What the updater knows of the running program, from its information dictionary.
class HostApplication
{
public:
    // CFBundleName when it is text, else "Kudora".
    static QString name();

    // CFBundleVersion: the build number that feed versions are compared with; empty when absent.
    static QString version();

    // CFBundleShortVersionString, or the build number when there is none: the version shown.
    static QString displayVersion();
};
