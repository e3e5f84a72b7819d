// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "UserHash.h"

#include "Posix.h"
#include "SafeFile.h"

#include <QCryptographicHash>

UserHash UserHash::ofThisUser(const QString& machineIdPath)
{
    UserHash hash;
    // Anyone may have put anything there: a file of another kind or size is no machine id.
    const ReadResult<QByteArray> machineId = SafeFile::readRegularFile(machineIdPath, MachineIdLimit);
    if (!machineId || machineId->isEmpty()) {
        hash.m_failureReason =
            tr("Your own reviews cannot be recognized: the computer’s id in %1 cannot be read.")
                .arg(machineIdPath);
        return hash;
    }
    const QByteArray loginName = Posix::loginName();
    if (loginName.isEmpty()) {
        hash.m_failureReason = tr("Your own reviews cannot be recognized: your user account has no name.");
        return hash;
    }
    hash.m_hex = compute(loginName, *machineId);
    return hash;
}

QByteArray UserHash::compute(QByteArrayView loginName, QByteArrayView machineId)
{
    QCryptographicHash sha1(QCryptographicHash::Sha1);
    sha1.addData("gnome-software[");
    sha1.addData(loginName);
    sha1.addData(":");
    sha1.addData(machineId);
    sha1.addData("]");
    return sha1.result().toHex();
}
