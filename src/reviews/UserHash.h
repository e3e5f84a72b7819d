// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>
#include <QString>

// Who wrote a review, as the ratings service records it: the hash GNOME Software and KDE Discover
// send with every review, made of the login name and the machine's id. Kudora recognises the
// user's own reviews by it and never sends it anywhere.
class UserHash
{
    Q_DECLARE_TR_FUNCTIONS(UserHash)

public:
    // The machine id is one line of 32 hex digits; anything much larger is no machine id.
    static constexpr qint64 MachineIdLimit = 4096;
    static QString defaultMachineIdPath() { return QStringLiteral("/etc/machine-id"); }

    // No hash, for no reason yet.
    UserHash() = default;

    // The hash of the real user on this machine, from the whole content of the machine id file
    // (its newline included); none when that cannot be read or the user has no login name.
    static UserHash ofThisUser(const QString& machineIdPath = defaultMachineIdPath());

    // The lowercase hex SHA-1 of "gnome-software[<login>:<machine id>]".
    static QByteArray compute(QByteArrayView loginName, QByteArrayView machineId);

    bool isValid() const { return !m_hex.isEmpty(); }
    const QByteArray& hex() const { return m_hex; }
    // Why there is no hash, in words the window can show; empty when there is one.
    const QString& failureReason() const { return m_failureReason; }

private:
    QByteArray m_hex;
    QString m_failureReason;
};
