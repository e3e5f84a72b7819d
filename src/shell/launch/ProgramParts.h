// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppSource.h"
#include "FolderWatcher.h"

#include <QString>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class PreferencesService;
class UpdaterController;
class Workspace;

// What the program takes from the system, replaceable piece by piece (tests do): one set for the
// command line and the window alike, each taking the pieces it needs.
struct ProgramParts
{
    // The information dictionary (name, identifier, versions, update feed); the program's own when
    // absent.
    std::optional<QVariantMap> info;
    // The store behind the model, and the one a listing reads; one on the defaults domain named by
    // the identifier when null (opened for reading for a listing). Must outlive the program.
    PreferencesService* preferences = nullptr;
    // The desktop that opens pages and gives icons; the running desktop when null. Must outlive
    // the program.
    Workspace* workspace = nullptr;
    // The stores the model and a listing scan, in order; when absent, StandardSources::make(),
    // whose Flatpak source, for the window, loads libflatpak only once the main window has first
    // painted.
    std::optional<AppSources> sources;
    // How long the folders the sources watch must stay unchanged after an install or a removal
    // before the window's list follows it.
    std::chrono::milliseconds installSettleTime = FolderWatcher::DefaultSettleTime;
    // Makes the update controller for the information dictionary and the desktop, its updater
    // already started; the standard controller on the program's defaults domain when empty. A
    // factory returning null leaves the program without update checking, and the menu without its
    // item.
    std::function<std::unique_ptr<UpdaterController>(const QVariantMap& info, Workspace& workspace)>
        makeUpdaterController;
    // The folder of the cached answers of the ratings service; ReviewCache::defaultFolder() when
    // absent.
    std::optional<QString> reviewCacheFolder;
    // The machine's id, of which the user's hash on the ratings service is made;
    // UserHash::defaultMachineIdPath() when absent.
    std::optional<QString> machineIdFile;
    // The file that keeps the main window's size, position and maximised state between runs;
    // WindowPlacement::defaultFilePath() when absent.
    std::optional<QString> windowStateFile;
};
