#include "AppTableModel.h"

#include "AppModel.h"
#include "LabelColors.h"
#include "Workspace.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace {
// More blocks of rows than this leave or enter in one layout change rather than one by one: each
// block costs its own pass over every persistent index and selection range.
constexpr qsizetype MaxBlocks = 16;
// More rows than this entering are placed by sorting anew rather than one by one.
constexpr qsizetype MaxPlacedRows = 64;

// Runs of consecutive positions in [0, size) for which included is false, as (first, last) pairs.
template<typename Included>
QList<std::pair<int, int>> runsOutside(qsizetype size, Included included)
{
    QList<std::pair<int, int>> runs;
    for (int row = 0; row < size; ++row) {
        if (included(row))
            continue;
        if (!runs.isEmpty() && runs.last().second == row - 1)
            runs.last().second = row;
        else
            runs.append({ row, row });
    }
    return runs;
}
} // namespace

AppTableModel::AppTableModel(AppModel& model, Workspace& workspace, QObject* parent)
    : QAbstractTableModel(parent)
    , m_model(model)
    , m_workspace(workspace)
    , m_rows(model.visibleIndexes())
{
    connect(&m_model, &AppModel::catalogueReplaced, this, &AppTableModel::reset);
    connect(&m_model, &AppModel::reviewDateChanged, this, &AppTableModel::followReviewDate);
    connect(&m_model, &AppModel::ignoredIDsEdited, this, &AppTableModel::followIgnoredIDs);
    const auto follow = [this] { moveTo(m_model.visibleIndexes()); };
    connect(&m_model, &AppModel::searchQueryChanged, this, follow);
    connect(&m_model, &AppModel::showingIgnoredChanged, this, follow);
    connect(&m_model, &AppModel::sortOrderChanged, this, [this, follow] {
        follow();
        emit sortIndicatorChanged();
    });
}

int AppTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int AppTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

void AppTableModel::reset()
{
    beginResetModel();
    m_rows = m_model.visibleIndexes();
    endResetModel();
}

void AppTableModel::followReviewDate(qsizetype index)
{
    int row = int(m_rows.indexOf(index));
    if (row < 0)
        return;
    // Only a sort by review date can move the row; then it moves alone, to where the sort puts it.
    const bool inPlace = (row == 0 || m_model.sortsBefore(m_rows.at(row - 1), index))
        && (row + 1 == m_rows.size() || m_model.sortsBefore(index, m_rows.at(row + 1)));
    if (!inPlace) {
        QList<qsizetype> others = m_rows;
        others.removeAt(row);
        const auto place =
            std::lower_bound(others.cbegin(), others.cend(), index,
                             [this](qsizetype a, qsizetype b) { return m_model.sortsBefore(a, b); });
        const int destination = int(place - others.cbegin());
        beginMoveRows({}, row, row, {}, destination > row ? destination + 1 : destination);
        others.insert(destination, index);
        m_rows = std::move(others);
        endMoveRows();
        row = destination;
    }
    emit dataChanged(this->index(row, 0), this->index(row, ColumnCount - 1));
}

void AppTableModel::followIgnoredIDs(const QSet<QString>& added, const QSet<QString>& removed)
{
    const QList<qsizetype> affected = m_model.indexesOfIDs(added | removed);
    if (affected.isEmpty())
        return;
    std::vector<char> shown(size_t(m_model.apps().size()), 0);
    for (const qsizetype position : std::as_const(m_rows))
        shown[size_t(position)] = 1;
    std::vector<char> leaving(shown.size(), 0);
    bool anyLeaving = false;
    QList<qsizetype> entering;
    for (const qsizetype position : affected) {
        const bool visible = m_model.isVisibleIndex(position);
        if (shown[size_t(position)] && !visible) {
            leaving[size_t(position)] = 1;
            anyLeaving = true;
        } else if (!shown[size_t(position)] && visible)
            entering.append(position);
    }
    if (entering.size() > MaxPlacedRows) {
        moveTo(m_model.visibleIndexes());
        return;
    }
    QList<qsizetype> next;
    if (anyLeaving) {
        next.reserve(m_rows.size());
        for (const qsizetype position : std::as_const(m_rows)) {
            if (!leaving[size_t(position)])
                next.append(position);
        }
    } else {
        next = m_rows;
    }
    for (const qsizetype position : std::as_const(entering)) {
        const auto place =
            std::lower_bound(next.cbegin(), next.cend(), position,
                             [this](qsizetype a, qsizetype b) { return m_model.sortsBefore(a, b); });
        next.insert(place - next.cbegin(), position);
    }
    moveTo(next);
}

void AppTableModel::moveTo(const QList<qsizetype>& next)
{
    if (next == m_rows)
        return;
    const size_t count = size_t(m_model.apps().size());
    std::vector<char> inNext(count, 0), inRows(count, 0);
    for (const qsizetype position : next)
        inNext[size_t(position)] = 1;
    for (const qsizetype position : std::as_const(m_rows))
        inRows[size_t(position)] = 1;

    // Rows that stay must keep their order for removals and insertions to describe the change.
    QList<qsizetype> staying;
    for (const qsizetype position : std::as_const(m_rows)) {
        if (inNext[size_t(position)])
            staying.append(position);
    }
    qsizetype stayingAt = 0;
    bool keepsOrder = true;
    for (const qsizetype position : next) {
        if (!inRows[size_t(position)])
            continue;
        if (staying.at(stayingAt++) != position) {
            keepsOrder = false;
            break;
        }
    }
    const QList<std::pair<int, int>> leaving =
        runsOutside(m_rows.size(), [&](int row) { return bool(inNext[size_t(m_rows.at(row))]); });
    const QList<std::pair<int, int>> entering =
        runsOutside(next.size(), [&](int row) { return bool(inRows[size_t(next.at(row))]); });
    if (!keepsOrder || leaving.size() + entering.size() > MaxBlocks) {
        relayout(next,
                 leaving.isEmpty() && entering.isEmpty() ? QAbstractItemModel::VerticalSortHint
                                                         : QAbstractItemModel::NoLayoutChangeHint);
        return;
    }
    // Bottom up, so that the rows of each block are still where they were found.
    for (auto run = leaving.crbegin(); run != leaving.crend(); ++run) {
        beginRemoveRows({}, run->first, run->second);
        m_rows.remove(run->first, run->second - run->first + 1);
        endRemoveRows();
    }
    // Top down, at their final rows, so that every block lands after the ones above it.
    for (const auto& [first, last] : entering) {
        beginInsertRows({}, first, last);
        m_rows.insert(first, last - first + 1, 0);
        std::copy(next.cbegin() + first, next.cbegin() + last + 1, m_rows.begin() + first);
        endInsertRows();
    }
}

void AppTableModel::relayout(const QList<qsizetype>& next, QAbstractItemModel::LayoutChangeHint hint)
{
    emit layoutAboutToBeChanged({}, hint);
    std::vector<int> nextRow(size_t(m_model.apps().size()), -1);
    for (qsizetype row = 0; row < next.size(); ++row)
        nextRow[size_t(next.at(row))] = int(row);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const int row = nextRow[size_t(m_rows.at(index.row()))];
        after.append(row < 0 ? QModelIndex() : createIndex(row, index.column()));
    }
    m_rows = next;
    changePersistentIndexList(before, after);
    emit layoutChanged({}, hint);
}

QString AppTableModel::idAt(int row) const
{
    const AppInfo* app = appAt(row);
    return app ? AppInfo::idKey(app->id()) : QString();
}

int AppTableModel::rowOf(const QString& idKey) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (idAt(row) == idKey)
            return row;
    }
    return -1;
}

const AppInfo* AppTableModel::appAt(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return nullptr;
    return &m_model.apps().at(m_rows.at(row));
}

Qt::ItemFlags AppTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || !checkIndex(index, CheckIndexOption::ParentIsInvalid))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QVariant AppTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !checkIndex(index, CheckIndexOption::ParentIsInvalid))
        return {};
    const AppInfo* app = appAt(index.row());
    if (!app)
        return {};
    const int column = index.column();

    switch (role) {
    case Qt::DisplayRole:
        return displayData(*app, column);
    case Qt::AccessibleTextRole:
        if (column == AppStoreColumn)
            return tr("Open App Store page for %1").arg(app->name());
        if (column == IconColumn)
            return app->name();
        return displayData(*app, column);
    case Qt::DecorationRole:
        if (column == IconColumn)
            return iconPixmap(*app, qGuiApp->devicePixelRatio());
        return {};
    case Qt::ToolTipRole:
        // A path is shown as typed: tooltips take text that looks like markup for rich text.
        if (column == IconColumn)
            return Qt::mightBeRichText(app->bundlePath())
                ? Qt::convertFromPlainText(app->bundlePath(), Qt::WhiteSpaceNoWrap)
                : app->bundlePath();
        if (column == LastAccessedColumn) {
            return app->lastAccessedDate() ? tr("Last launched date")
                                           : tr("Showing file modification date (app never launched)");
        }
        return {};
    case Qt::TextAlignmentRole:
        if (column == AppStoreColumn || column == IconColumn)
            return int(Qt::AlignCenter);
        return int(Qt::AlignLeading | Qt::AlignVCenter);
    case LabelLevelRole:
    case Qt::ForegroundRole: {
        LabelColors::Level level = LabelColors::Level::Primary;
        if (column == LastAccessedColumn && !app->lastAccessedDate())
            level = LabelColors::Level::Secondary;
        else if (column == LastReviewedColumn && !app->lastReviewedDate())
            level = LabelColors::Level::Tertiary;
        if (role == LabelLevelRole)
            return int(level);
        return LabelColors::color(QGuiApplication::palette(), level);
    }
    case IdRole:
        return idAt(index.row());
    default:
        return {};
    }
}

QVariant AppTableModel::displayData(const AppInfo& app, int column) const
{
    switch (column) {
    case NameColumn:
        return app.name();
    case LastAccessedColumn:
        return app.lastAccessedText();
    case AppStoreColumn:
        return tr("Open ↗");
    case LastReviewedColumn:
        return app.lastReviewedText();
    default:
        return {};
    }
}

QVariant AppTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        switch (section) {
        case IconColumn:
            return QString();
        case NameColumn:
            return tr("Application");
        case LastAccessedColumn:
            return tr("Last Accessed");
        case AppStoreColumn:
            return tr("App Store");
        case LastReviewedColumn:
            return tr("Last Reviewed");
        }
        return {};
    case Qt::AccessibleTextRole:
        if (section == IconColumn)
            return tr("Icon");
        return headerData(section, orientation, Qt::DisplayRole);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignLeading | Qt::AlignVCenter);
    case Qt::InitialSortOrderRole:
        return int(section == NameColumn ? Qt::AscendingOrder : Qt::DescendingOrder);
    default:
        return {};
    }
}

void AppTableModel::sort(int column, Qt::SortOrder order)
{
    const std::optional<SortComparator::Key> key = sortKey(column);
    if (key) {
        const SortOrder& previous = m_model.sortOrder();
        SortComparator first(*key, order);
        if (previous.isEmpty() || previous.first().key() != *key) {
            for (const SortComparator& comparator : previous) {
                if (comparator.key() == *key) {
                    first = comparator;
                    break;
                }
            }
        }
        SortOrder next { first };
        for (const SortComparator& comparator : previous) {
            if (comparator.key() != *key)
                next.append(comparator);
        }
        m_model.setSortOrder(next);
    }
    // The header moved its indicator already, also on columns without a key and to an order the
    // catalogue may not have taken.
    emit sortIndicatorChanged();
}

int AppTableModel::sortColumn() const
{
    const SortOrder& order = m_model.sortOrder();
    return order.isEmpty() ? -1 : columnOf(order.first().key());
}

Qt::SortOrder AppTableModel::sortColumnOrder() const
{
    const SortOrder& order = m_model.sortOrder();
    return order.isEmpty() ? Qt::AscendingOrder : order.first().order();
}

std::optional<SortComparator::Key> AppTableModel::sortKey(int column)
{
    switch (column) {
    case NameColumn:
        return SortComparator::Key::Name;
    case LastAccessedColumn:
        return SortComparator::Key::LastAccessedSortDate;
    case LastReviewedColumn:
        return SortComparator::Key::LastReviewedSortDate;
    default:
        return std::nullopt;
    }
}

int AppTableModel::columnOf(SortComparator::Key key)
{
    switch (key) {
    case SortComparator::Key::Name:
        return NameColumn;
    case SortComparator::Key::LastAccessedSortDate:
        return LastAccessedColumn;
    case SortComparator::Key::LastReviewedSortDate:
        return LastReviewedColumn;
    }
    return -1;
}

QPixmap AppTableModel::iconPixmap(const AppInfo& app, qreal devicePixelRatio) const
{
    const int side = qRound(IconSize * devicePixelRatio);
    QPixmap canvas(side, side);
    canvas.setDevicePixelRatio(devicePixelRatio);
    canvas.fill(Qt::transparent);
    if (app.name().isEmpty())
        return canvas;

    const QIcon icon = m_workspace.iconForFile(app.bundlePath());
    if (icon.isNull())
        return canvas;
    QPixmap pixmap = icon.pixmap(QSize(IconSize, IconSize), devicePixelRatio);
    if (pixmap.isNull())
        return canvas;
    // Themes may offer only smaller sizes; fit the image to the frame either way, in device pixels
    // so that a high-density screen gets a sharp icon.
    const QSize fitted = pixmap.size().scaled(side, side, Qt::KeepAspectRatio);
    if (pixmap.size() != fitted)
        pixmap = pixmap.scaled(fitted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    pixmap.setDevicePixelRatio(1);

    QPainter painter(&canvas);
    // Paint in device pixels so that centring does not round twice.
    painter.scale(1 / devicePixelRatio, 1 / devicePixelRatio);
    painter.drawPixmap((side - pixmap.width()) / 2, (side - pixmap.height()) / 2, pixmap);
    return canvas;
}
