// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHashFunctions>
#include <QString>

// An application's id: its bundle identifier, Flatpak id or "snap:<name>". Ids that are
// canonically equivalent Unicode texts are one id, so the text is brought to NFC once, when the
// id is made; equality and hashing then compare plain texts. Made from text only explicitly, so
// that a text that was never brought to that form cannot stand for an id.
class AppId
{
public:
    // The id of nothing: what a record without an id has.
    AppId() = default;
    explicit AppId(const QString& text);

    // The id in NFC, as it is stored, shown and searched.
    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }

    friend bool operator==(const AppId&, const AppId&) = default;
    friend size_t qHash(const AppId& id, size_t seed = 0) noexcept { return qHash(id.m_text, seed); }

private:
    QString m_text;
};
