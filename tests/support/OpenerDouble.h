// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Workspace.h"

#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <optional>

// A stand-in for the desktop's xdg-open, first on PATH while it lives, so that no test opens
// anything real: it notes each address it is given and then opens it (exits 0), fails as an opener
// without a handler does (exits 1, with a complaint on its error output) or hangs.
class OpenerDouble
{
public:
    enum class Verdict { Opens, Fails, Hangs };

    explicit OpenerDouble(Verdict verdict = Verdict::Opens)
        : m_path(qgetenv("PATH"))
    {
        const QString folder = m_folder.path();
        QFile script(folder + QStringLiteral("/xdg-open"));
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + QFile::encodeName(folder)
                     + "/opened'\ncase \"$(cat '" + QFile::encodeName(folder)
                     + "/verdict')\" in\n"
                       "hangs) exec sleep 60 ;;\n"
                       "fails) echo 'xdg-open: no method available for opening' >&2; exit 1 ;;\n"
                       "esac\necho opened\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        setVerdict(verdict);
        qputenv("PATH", QFile::encodeName(folder) + ':' + m_path);
    }
    ~OpenerDouble() { qputenv("PATH", m_path); }

    void setVerdict(Verdict verdict)
    {
        QFile file(m_folder.filePath(QStringLiteral("verdict")));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(verdict == Verdict::Opens ? "opens" : verdict == Verdict::Fails ? "fails" : "hangs");
    }
    // The addresses it was given, in order.
    QList<QUrl> opened() const
    {
        QFile file(m_folder.filePath(QStringLiteral("opened")));
        QList<QUrl> urls;
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    urls.append(QUrl::fromEncoded(line));
        return urls;
    }

    // What workspace answers to opening url: none when it answered within the call, or not in 20 s.
    static std::optional<bool> answer(Workspace& workspace, const QUrl& url)
    {
        std::optional<bool> answer;
        bool returned = false, early = false;
        QEventLoop loop;
        workspace.openUrl(url, nullptr, [&](bool opened) {
            early = !returned;
            answer = opened;
            loop.quit();
        });
        returned = true;
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        if (!answer)
            loop.exec();
        return early ? std::nullopt : answer;
    }

private:
    QTemporaryDir m_folder;
    QByteArray m_path;
};
