// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopWorkspace.h"

#include "DesktopEntry.h"
#include "FileSystem.h"
#include "PropertyList.h"
#include "SafeFile.h"
#include "SchemeHandlers.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <memory>
#include <sys/stat.h>
#include <utility>

namespace {
// The bundle's own icon file name, safe to look up inside Contents/Resources only.
QString iconFileName(const QString& bundlePath)
{
    // Only the one entry is converted: icons are looked up while the table paints.
    const auto value = PropertyList::readDictionaryValue(
        FileSystem::joinPath(bundlePath, QStringLiteral("Contents/Info.plist")),
        QStringLiteral("CFBundleIconFile"));
    if (!value || value->typeId() != QMetaType::QString)
        return {};
    QString name = value->toString();
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') || name.contains(QChar(0)))
        return {};
    if (!name.contains(u'.'))
        name += QStringLiteral(".icns");
    return name;
}

// The largest side of an icon image that is decoded: a table row shows a few dozen pixels, and a
// small compressed file can unpack into hundreds of megabytes. A vector image is drawn at most
// this large.
constexpr int LargestIconSide = 1024;

// format: the image format the file's name gives, or empty to go by content.
QIcon iconFromBytes(const QByteArray& bytes, const QByteArray& format = {})
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(format.isEmpty());
    QIcon icon;
    // An icon file holds one image per size; each serves its own size.
    do {
        const QSize size = reader.size();
        if (size.isEmpty())
            continue;
        if (size.width() > LargestIconSide || size.height() > LargestIconSide) {
            // A raster reader decodes the whole image even to scale it.
            if (!reader.format().startsWith("svg"))
                continue;
            reader.setScaledSize(size.scaled(LargestIconSide, LargestIconSide, Qt::KeepAspectRatio));
        }
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    } while (reader.jumpToNextImage());
    return icon;
}

// The icon named name in the hicolor theme folder theme: each size it has, the scalable one too
// when an SVG reader is there; null when the theme has none of that name. Each file is read as the
// format its name says.
QIcon hicolorIcon(const QString& theme, const QString& name)
{
    const std::optional<QStringList> sizes = FileSystem::listDirectory(theme);
    if (!sizes)
        return {};
    QIcon icon;
    for (const QString& size : *sizes) {
        const QString apps = FileSystem::joinPath(FileSystem::joinPath(theme, size), QStringLiteral("apps"));
        for (const char* format : { "png", "svg" }) {
            // An application's icon is small; anything larger is not one.
            const QString file = FileSystem::joinPath(apps, name + u'.' + QString::fromLatin1(format));
            if (const auto bytes = SafeFile::readRegularFile(file, 4 * 1024 * 1024)) {
                const QIcon image = iconFromBytes(*bytes, format);
                for (const QSize& available : image.availableSizes())
                    icon.addPixmap(image.pixmap(available));
            }
        }
    }
    return icon;
}

// A Flatpak application's icon as its deploy folder (.../app/<id>/<arch>/<branch>/<commit>)
// exports it to the hicolor theme. Nothing when the folder exports no icon.
QIcon exportedIcon(const QString& deployDir)
{
    const QStringList parts = deployDir.split(u'/', Qt::SkipEmptyParts);
    if (parts.size() < 4)
        return {};
    return hicolorIcon(FileSystem::joinPath(deployDir, QStringLiteral("export/share/icons/hicolor")),
                       parts.at(parts.size() - 4));
}

// The icon a package installed for a desktop entry's themed icon name: in the hicolor theme of a
// data folder (every theme falls back to it, and packages install their applications' icons
// there), else among the folder's older pixmaps.
QIcon themedIcon(QString name)
{
    if (name.endsWith(u".png") || name.endsWith(u".svg"))
        name.chop(4);
    if (name.isEmpty() || name.contains(u'/') || name.startsWith(u'.'))
        return {};
    for (const QString& dataDir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        QIcon icon = hicolorIcon(FileSystem::joinPath(dataDir, QStringLiteral("icons/hicolor")), name);
        if (!icon.isNull())
            return icon;
        for (const char* format : { "png", "svg" }) {
            const QString file = FileSystem::joinPath(
                dataDir, QStringLiteral("pixmaps/") + name + u'.' + QString::fromLatin1(format));
            if (const auto bytes = SafeFile::readRegularFile(file, 4 * 1024 * 1024)) {
                icon = iconFromBytes(*bytes, format);
                if (!icon.isNull())
                    return icon;
            }
        }
    }
    return {};
}

// The icon a desktop entry names: by its absolute path, as snapd writes a snap's entries, within
// the limit of an exported icon, else by its name in the icon theme.
QIcon desktopEntryIcon(const QString& entryPath)
{
    const std::optional<QByteArray> entry = SafeFile::readRegularFile(entryPath, DesktopEntry::FileLimit);
    if (!entry)
        return {};
    const QString image = DesktopEntry::value(*entry, u"Icon");
    if (!image.startsWith(u'/'))
        return themedIcon(image);
    if (!(image.endsWith(u".png") || image.endsWith(u".svg")))
        return {};
    const std::optional<QByteArray> bytes = SafeFile::readRegularFile(image, 4 * 1024 * 1024);
    return bytes ? iconFromBytes(*bytes) : QIcon();
}

// Drawn when the icon theme has no generic application icon either.
QIcon drawnApplicationIcon()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x5a, 0x5a, 0x5a), 2));
    painter.setBrush(QColor(0xd8, 0xd8, 0xd8));
    painter.drawRoundedRect(QRectF(6, 6, 52, 52), 12, 12);
    painter.setBrush(QColor(0x4a, 0x7f, 0xc1));
    painter.drawRoundedRect(QRectF(18, 18, 28, 28), 6, 6);
    painter.end();
    return QIcon(pixmap);
}

QIcon genericApplicationIcon()
{
    static const QIcon icon = [] {
        const QIcon themed = QIcon::fromTheme(QStringLiteral("application-x-executable"));
        return themed.isNull() ? drawnApplicationIcon() : themed;
    }();
    return icon;
}

QDateTime modificationTime(const QString& path)
{
    struct stat info;
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || native.contains('\0') || ::stat(native.constData(), &info) != 0)
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000,
                                          Qt::UTC);
}
} // namespace

DesktopWorkspace::DesktopWorkspace(std::chrono::milliseconds timeLimit)
    : m_timeLimit(timeLimit)
{ }

void DesktopWorkspace::openUrl(const QUrl& url, QObject* context, OpenCallback done)
{
    // Told at most once, and only while whoever asked is still there.
    auto answer = [guard = QPointer<QObject>(context), guarded = context != nullptr,
                   done = std::make_shared<OpenCallback>(std::move(done))](bool opened) {
        if (*done && (!guarded || guard))
            std::exchange(*done, {})(opened);
    };
    // Addresses come from records built out of files on disk; anything but a web page or a
    // software centre's page (a local file, a custom scheme that starts some program) is never
    // handed to the desktop. Without a handler for a software centre's address the opener would
    // fail after the fact, or offer some unrelated program; the caller then takes the web page.
    bool allowed = false;
    if (url.isValid() && url.scheme() == u"https")
        allowed = !url.host().isEmpty();
    else if (url.isValid() && (url.scheme() == u"appstream" || url.scheme() == u"snap"))
        allowed =
            !(url.path().isEmpty() && url.host().isEmpty()) && SchemeHandlers::isRegistered(url.scheme());
    const QString opener = allowed ? QStandardPaths::findExecutable(QStringLiteral("xdg-open")) : QString();
    if (opener.isEmpty()) {
        QTimer::singleShot(0, &m_openers, [answer]() { answer(false); });
        return;
    }

    auto* process = new QProcess(&m_openers);
    process->setProgram(opener);
    process->setArguments({ QString::fromLatin1(url.toEncoded()) });
    // What the opener and the handlers it starts print is theirs, not the program's.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto* limit = new QTimer(process);
    limit->setSingleShot(true);
    // An opener still waiting at the limit has most likely handed the address to something that
    // hangs; the page is not known to be open, so it does not count. The opener goes, the handler
    // it may have started does not (it is a process of its own).
    QObject::connect(limit, &QTimer::timeout, process, [process, answer]() {
        answer(false);
        process->kill();
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, answer](int status, QProcess::ExitStatus exit) {
                         answer(exit == QProcess::NormalExit && status == 0);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, answer](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             answer(false);
                             process->deleteLater();
                         }
                     });
    limit->start(m_timeLimit);
    process->start();
}

bool DesktopWorkspace::handlesScheme(const QString& scheme)
{
    return scheme == u"https" || SchemeHandlers::isRegistered(scheme);
}

QIcon DesktopWorkspace::iconForFile(const QString& path)
{
    const QDateTime modified = modificationTime(path);
    if (!modified.isValid())
        return genericApplicationIcon();
    const auto cached = m_iconCache.constFind(path);
    if (cached != m_iconCache.cend() && cached->modified == modified)
        return cached->icon;

    QIcon icon;
    const QString name = iconFileName(path);
    if (!name.isEmpty()) {
        const QString file = FileSystem::joinPath(path, QStringLiteral("Contents/Resources/") + name);
        if (const auto bytes = SafeFile::readRegularFile(file))
            icon = iconFromBytes(*bytes);
    } else if (path.endsWith(u".desktop")) {
        icon = desktopEntryIcon(path);
    } else {
        icon = exportedIcon(path);
    }
    if (icon.isNull())
        icon = genericApplicationIcon();
    m_iconCache.insert(path, { modified, icon });
    return icon;
}
