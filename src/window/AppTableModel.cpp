// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppTableModel.h"

#include "AppModel.h"
#include "LabelColors.h"
#include "ReviewPage.h"
#include "Workspace.h"

#include <QTextDocument>

#include <algorithm>
#include <chrono>

namespace {
// A relative text names the largest unit in which a date differs from now, truncated: it next
// reads differently when a whole one of its smallest unit has passed. Days, weeks and months
// follow the calendar; an hour's wait at most keeps them, and a clock that jumped, close enough.
constexpr qint64 Second = 1000, Minute = 60 * Second, Hour = 60 * Minute;

qint64 untilTextChanges(const QDateTime& date, const QDateTime& now)
{
    const qint64 age = qAbs(date.msecsTo(now));
    const qint64 unit = age < Minute ? Second : age < Hour ? Minute : Hour;
    const qint64 intoUnit = age % unit;
    // A date ahead of now ("in 5 seconds") changes as the distance shrinks to the unit below.
    const qint64 wait = date > now ? (intoUnit == 0 ? unit : intoUnit) : unit - intoUnit;
    // Past the boundary rather than on it, so that the text read then is the new one.
    return wait + 20;
}

// A tooltip shown as typed: tooltips take text that looks like markup for rich text, and names
// and ids are the applications' own.
QString plainTip(const QString& text)
{
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap) : text;
}
} // namespace

AppTableModel::AppTableModel(AppModel& model, Workspace& workspace, QObject* parent)
    : QAbstractTableModel(parent)
    , m_model(model)
    , m_workspace(workspace)
    , m_texts(model.sources())
{
    connect(&m_model, &AppModel::appsAboutToBeReplaced, this, &AppTableModel::beginResetModel);
    connect(&m_model, &AppModel::catalogueReplaced, this, [this] {
        endResetModel();
        scheduleReviewTexts();
    });
    connect(&m_model, &AppModel::appsAboutToBeRemoved, this,
            [this](qsizetype first, qsizetype last) { beginRemoveRows({}, int(first), int(last)); });
    connect(&m_model, &AppModel::appsRemoved, this, &AppTableModel::endRemoveRows);
    connect(&m_model, &AppModel::appsAboutToBeAdded, this,
            [this](qsizetype first, qsizetype last) { beginInsertRows({}, int(first), int(last)); });
    connect(&m_model, &AppModel::appsAdded, this, [this] {
        endInsertRows();
        scheduleReviewTexts();
    });
    connect(&m_model, &AppModel::appsChangedInPlace, this, &AppTableModel::recordsChanged);
    m_reviewTexts.setSingleShot(true);
    connect(&m_reviewTexts, &QTimer::timeout, this, &AppTableModel::refreshReviewTexts);
    scheduleReviewTexts();
}

int AppTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_model.apps().size());
}

int AppTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

void AppTableModel::recordsChanged(qsizetype first, qsizetype last)
{
    emit dataChanged(index(int(first), 0), index(int(last), ColumnCount - 1));
    scheduleReviewTexts();
}

void AppTableModel::refreshReviewTexts()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, LastReviewedColumn), index(rowCount() - 1, LastReviewedColumn),
                         { Qt::DisplayRole, Qt::AccessibleTextRole });
    scheduleReviewTexts();
}

void AppTableModel::scheduleReviewTexts()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    qint64 wait = Hour;
    bool anyReviewed = false;
    for (const AppInfo& app : m_model.apps()) {
        if (const OptionalDate date = app.shownReviewDate()) {
            wait = std::min(wait, untilTextChanges(*date, now));
            anyReviewed = true;
        }
    }
    if (!anyReviewed) {
        m_reviewTexts.stop();
        return;
    }
    m_reviewTexts.setTimerType(wait < Minute ? Qt::PreciseTimer : Qt::CoarseTimer);
    m_reviewTexts.start(std::chrono::milliseconds(wait));
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
    const AppInfo& app = m_model.apps().at(index.row());
    const int column = index.column();

    switch (role) {
    case Qt::DisplayRole:
        return displayData(app, column);
    case Qt::AccessibleTextRole:
        if (column == AppStoreColumn)
            return m_texts.openPageText(app.name());
        if (column == IconColumn)
            return app.name();
        // Heard without its colour and tooltip, the date says whether it is a use.
        if (column == LastAccessedColumn)
            return app.lastAccessedSpokenText();
        if (column == RatingColumn)
            return app.ratingSpokenText();
        return displayData(app, column);
    case Qt::DecorationRole:
        // A record without a name shows no icon, yet keeps the icon's place and tooltip.
        if (column == IconColumn && !app.name().isEmpty())
            return m_workspace.iconForFile(app.bundlePath());
        return {};
    case Qt::ToolTipRole:
        switch (column) {
        case IconColumn:
        case NameColumn:
            // Where it comes from rather than where it lies: a Flatpak's deploy folder, with its
            // commit, tells a person nothing.
            return plainTip(app.originText());
        case LastAccessedColumn:
            return app.lastAccessedDate() ? tr("Last launched date")
                                          : tr("Showing file modification date (app never launched)");
        case AppStoreColumn:
            return openTip(app);
        case LastReviewedColumn:
            return plainTip(app.reviewDateTip());
        case RatingColumn:
            if (app.onlineReview())
                return plainTip(app.reviewDateTip());
            return {};
        }
        return {};
    case Qt::TextAlignmentRole:
        if (column == AppStoreColumn || column == IconColumn || column == RatingColumn)
            return int(Qt::AlignCenter);
        return int(Qt::AlignLeading | Qt::AlignVCenter);
    case LabelLevelRole: {
        using enum LabelColors::Level;
        if (column == LastAccessedColumn && !app.lastAccessedDate())
            return int(Secondary);
        if (column == LastReviewedColumn && !app.shownReviewDate())
            return int(Tertiary);
        return int(Primary);
    }
    case CutNameTipRole:
        if (column == NameColumn)
            return plainTip(app.name() + u'\n' + app.originText());
        return {};
    case IdRole:
        return QVariant::fromValue(app.id());
    case RecordRole:
        return QVariant::fromValue(app);
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
    case RatingColumn:
        return app.ratingText();
    default:
        return {};
    }
}

QString AppTableModel::openTip(const AppInfo& app) const
{
    const QString place = placeTip(app);
    return place.isEmpty() ? tr("No software centre here can open its page")
                           : tr("%1. Opening it marks the app as reviewed.").arg(place);
}

QString AppTableModel::placeTip(const AppInfo& app) const
{
    switch (ReviewPage(app).place(m_workspace)) {
    case ReviewPage::Place::SoftwareCentre:
        return tr("Open its page in the software centre");
    case ReviewPage::Place::WebPage:
        switch (app.store()) {
        case AppInfo::Store::AppStore:
            return tr("Open its page in the App Store");
        case AppInfo::Store::Flatpak:
            return tr("Open its page on Flathub");
        case AppInfo::Store::Snap:
            return tr("Open its page on the Snap Store");
        case AppInfo::Store::Distribution:
            // The distribution has no web page of its applications.
            break;
        }
        break;
    case ReviewPage::Place::Nowhere:
        break;
    }
    return {};
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
            return m_texts.storeColumnTitle();
        case LastReviewedColumn:
            return tr("Last Reviewed");
        case RatingColumn:
            return tr("Your Rating");
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
