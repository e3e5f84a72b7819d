// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CatalogueTexts.h"

#include <QAbstractTableModel>
#include <QTimer>

class AppInfo;
class AppModel;
class Workspace;

// The catalogue as a table: one row per record of AppModel::apps(), in that order, every cell read
// from the record afresh. A new catalogue resets it; the records a refresh finds gone, new or
// changed, and a review, remove, insert or change rows. Which rows are shown and in what order is
// VisibleAppsModel's business. The "Last Reviewed" texts, relative to now,
// are announced again whenever one of them would read differently. "Last Reviewed" and "Your Rating"
// show the user's reviews found online too, when they are newer than the page last opened.
class AppTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        IconColumn,
        NameColumn,
        LastAccessedColumn,
        AppStoreColumn,
        LastReviewedColumn,
        // The stars of the user's own review online.
        RatingColumn,
        ColumnCount
    };

    enum Role {
        // The row's AppId.
        IdRole = Qt::UserRole + 1,
        // The row's AppInfo.
        RecordRole,
        // How strongly the cell's text is drawn: a LabelColors::Level, as int.
        LabelLevelRole,
        // The tooltip of a name cell too narrow for the whole name: the name, then the cell's own
        // tooltip.
        CutNameTipRole,
    };

    static constexpr int IconSize = 24;

    // workspace gives the icons and tells which pages the desktop can open; it and model must
    // outlive the table.
    AppTableModel(AppModel& model, Workspace& workspace, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const CatalogueTexts& texts() const { return m_texts; }

private:
    QVariant displayData(const AppInfo& app, int column) const;
    // Where "Open ↗" takes the person, in the words of the application's store.
    QString openTip(const AppInfo& app) const;
    // Where "Open ↗" opens the page, or nothing when no place can.
    QString placeTip(const AppInfo& app) const;
    void recordsChanged(qsizetype first, qsizetype last);
    void refreshReviewTexts();
    void scheduleReviewTexts();

    AppModel& m_model;
    Workspace& m_workspace;
    CatalogueTexts m_texts;
    QTimer m_reviewTexts;
};
