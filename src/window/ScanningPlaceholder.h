// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// What stands in place of the table while the applications are scanned: a busy bar over
// "Scanning Applications…", centred.
class ScanningPlaceholder : public QWidget
{
    Q_OBJECT

public:
    explicit ScanningPlaceholder(QWidget* parent = nullptr);
};
