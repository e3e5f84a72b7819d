#pragma once

#include "SortComparator.h"

#include <QAbstractTableModel>
#include <QPixmap>
#include <QSet>

#include <optional>

class AppInfo;
class AppModel;
class Workspace;

// The table's view of AppModel::visibleApps(). It keeps only where each row's record sits in
// AppModel::apps(), so every cell reads the record afresh, and follows the catalogue change by
// change: a review redraws one row, an ignore removes or inserts the rows it concerns, a search or
// sort moves rows in one layout change, and only a new catalogue resets. Selections and current
// indexes of views therefore survive everything but a new catalogue.
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
        ColumnCount
    };

    enum Role {
        // The row's id in its AppInfo::idKey form.
        IdRole = Qt::UserRole + 1,
        // A LabelColors::Level, as int.
        LabelLevelRole,
    };

    static constexpr int IconSize = 24;

    AppTableModel(AppModel& model, Workspace& workspace, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // A header click: the column's key becomes the catalogue's first comparator. The column that
    // is first already takes the order the header flipped to; a key further down the list keeps
    // its direction; a new key starts with the header's initial order (ascending for names, newest
    // first for dates). The other comparators follow in their previous order, so that rows that
    // tie on the new key keep the order they had. Columns without a key change nothing.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // Where the header's sort indicator belongs: the first comparator's column and direction, or
    // column -1 for an empty sort order.
    int sortColumn() const;
    Qt::SortOrder sortColumnOrder() const;

    // The id (idKey form) of row, or an empty text for a row that does not exist.
    QString idAt(int row) const;
    // The row showing id (idKey form), or -1.
    int rowOf(const QString& idKey) const;
    // The record shown in row, read from the catalogue now; nullptr for a row that does not exist.
    const AppInfo* appAt(int row) const;

    // The sort key a column's header stands for; none for the icon and App Store columns.
    static std::optional<SortComparator::Key> sortKey(int column);
    static int columnOf(SortComparator::Key key);

    // The application's icon fitted into IconSize × IconSize points for the given pixel ratio;
    // fully transparent for a record without a name.
    QPixmap iconPixmap(const AppInfo& app, qreal devicePixelRatio) const;

signals:
    // The catalogue's sort order changed, or a header click left it as it was: the header's
    // indicator is to show sortColumn() again.
    void sortIndicatorChanged();

private:
    QVariant displayData(const AppInfo& app, int column) const;

    void reset();
    void followReviewDate(qsizetype index);
    void followIgnoredIDs(const QSet<QString>& added, const QSet<QString>& removed);
    // Brings the rows to next, which holds positions in the catalogue in visibleApps() order:
    // removals and insertions of a few blocks as such, anything else as one layout change.
    void moveTo(const QList<qsizetype>& next);
    void relayout(const QList<qsizetype>& next, QAbstractItemModel::LayoutChangeHint hint);

    AppModel& m_model;
    Workspace& m_workspace;
    // Positions in AppModel::apps(), one per row, in table order.
    QList<qsizetype> m_rows;
};
