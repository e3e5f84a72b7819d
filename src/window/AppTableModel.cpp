#include "AppTableModel.h"

#include "AppModel.h"
#include "LabelColors.h"
#include "Workspace.h"

#include <QGuiApplication>
#include <QPainter>

AppTableModel::AppTableModel(AppModel& model, QObject* parent)
    : QAbstractTableModel(parent)
    , m_model(model)
{
    reload();
}

int AppTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rowIds.size());
}

int AppTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

void AppTableModel::reload()
{
    beginResetModel();
    m_rowIds.clear();
    m_catalogueIndex.clear();
    const QList<AppInfo>& apps = m_model.apps();
    for (qsizetype i = 0; i < apps.size(); ++i) {
        // Lookups by id act on the first record that has it.
        const QString key = AppInfo::idKey(apps.at(i).id());
        if (!m_catalogueIndex.contains(key))
            m_catalogueIndex.insert(key, i);
    }
    const QList<AppInfo> visible = m_model.visibleApps();
    m_rowIds.reserve(visible.size());
    for (const AppInfo& app : visible)
        m_rowIds.append(AppInfo::idKey(app.id()));
    endResetModel();
}

QString AppTableModel::idAt(int row) const
{
    return row >= 0 && row < m_rowIds.size() ? m_rowIds.at(row) : QString();
}

int AppTableModel::rowOf(const QString& idKey) const
{
    return int(m_rowIds.indexOf(idKey));
}

const AppInfo* AppTableModel::appAt(int row) const
{
    if (row < 0 || row >= m_rowIds.size())
        return nullptr;
    const qsizetype index = m_catalogueIndex.value(m_rowIds.at(row), -1);
    const QList<AppInfo>& apps = m_model.apps();
    // Every change of the catalogue reloads before anything is drawn; the bounds check only keeps
    // a stale row from reading past the list.
    return index >= 0 && index < apps.size() ? &apps.at(index) : nullptr;
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
        if (column == IconColumn)
            return app->bundlePath();
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
        return m_rowIds.at(index.row());
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
    default:
        return {};
    }
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

QPixmap AppTableModel::iconPixmap(const AppInfo& app, qreal devicePixelRatio)
{
    const int side = qRound(IconSize * devicePixelRatio);
    QPixmap canvas(side, side);
    canvas.setDevicePixelRatio(devicePixelRatio);
    canvas.fill(Qt::transparent);
    if (app.name().isEmpty())
        return canvas;

    const QIcon icon = Workspace::shared().iconForFile(app.bundlePath());
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
