#pragma once

#include "SortComparator.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>
#include <QStringList>

#include <optional>

class AppInfo;
class AppModel;

// The table's view of AppModel::visibleApps(). It keeps only the rows' identities (ids) and where
// each record sits in AppModel::apps(), so every cell reads the record afresh; reload() re-reads
// the visible list after any change of the model.
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

    explicit AppTableModel(AppModel& model, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Re-reads the visible list as one model reset.
    void reload();

    // The id (idKey form) of row, or an empty text for a row that does not exist.
    QString idAt(int row) const;
    // The first row showing id (idKey form), or -1.
    int rowOf(const QString& idKey) const;
    // The record shown in row, read from the catalogue now; nullptr for a row that does not exist.
    const AppInfo* appAt(int row) const;

    // The sort key a column's header stands for; none for the icon and App Store columns.
    static std::optional<SortComparator::Key> sortKey(int column);
    static int columnOf(SortComparator::Key key);

    // The application's icon fitted into IconSize × IconSize points for the given pixel ratio;
    // fully transparent for a record without a name.
    static QPixmap iconPixmap(const AppInfo& app, qreal devicePixelRatio);

private:
    QVariant displayData(const AppInfo& app, int column) const;

    AppModel& m_model;
    QStringList m_rowIds;
    QHash<QString, qsizetype> m_catalogueIndex;
};
