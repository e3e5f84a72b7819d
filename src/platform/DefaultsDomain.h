// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

// A typed key-value domain, the program's user defaults. Values keep their property-list types
// (see PropertyList), so a mistyped stored value can be told from a right one.
class DefaultsDomain
{
public:
    // What a read-modify-write decides after seeing the current value.
    struct Change
    {
        enum class Kind { Keep, Set, Remove };
        Kind kind = Kind::Keep;
        QVariant value;

        static Change keep() { return {}; }
        static Change set(QVariant value) { return { Kind::Set, std::move(value) }; }
        static Change remove() { return { Kind::Remove, {} }; }
    };
    using Modifier = std::function<Change(const QVariant& current)>;

    virtual ~DefaultsDomain() = default;

    // Opens the domain called name: a binary property-list file "<name>.plist" in $XDG_CONFIG_HOME
    // (~/.config by default). When that file's folder cannot be created or written, the
    // application's standard domain is used instead, and when that fails too, a domain that lives
    // in memory only. Never fails and reports nothing. Opening the same file again while it is
    // open gives the same domain.
    static std::shared_ptr<DefaultsDomain> open(const QString& name);

    // The values of the domain called name as they are stored, for a reader that must change
    // nothing (see ReadOnlyDefaultsDomain): the file open() would use when it is there, else the
    // standard domain's; none when neither is.
    static std::shared_ptr<DefaultsDomain> openForReading(const QString& name);

    // The stored value of key; an invalid QVariant when there is none. Values read back as
    // PropertyList gives them: a QStringList written comes back as a QVariantList of QString, a
    // date to the millisecond.
    virtual QVariant value(const QString& key) const = 0;

    // Reads key and writes what modifier decides, as one step that no other writer of the same
    // domain, in this process or another, can come between. A value that no property list can
    // carry is not stored (the old one stays). The modifier must not call back into the domain.
    virtual void modify(const QString& key, const Modifier& modifier) = 0;

    void setValue(const QString& key, const QVariant& value);
    void removeValue(const QString& key);

    // Where the domain lives: a file path, or empty for a domain in memory.
    virtual QString location() const = 0;

    // What kept the domain from its file, for the user to hear of; found when the domain loaded its
    // file (when it was made, and before each change) and kept while the domain lives.
    struct Trouble
    {
        // The file that could not be read (a permission, an I/O error): the domain then keeps
        // every value in memory until it goes, and never touches the file.
        QString unreadableFile;
        // Where a file that was read but held no domain was moved before a new one was started.
        QString damagedFileCopy;

        bool operator==(const Trouble&) const = default;
    };
    virtual Trouble trouble() const { return {}; }

    // Groups the changes made while it lives into one write of the stored state. Each change is
    // still its own read-modify-write of the domain's current value and is seen at once by every
    // read in this process; no other writer, in this process or another, can come between them,
    // and a crash never leaves part of the batch written: the domain holds its lock for the batch
    // and replaces its file once, when the outermost batch ends. Keep a batch to one burst of
    // changes, since other running instances wait to write while it is open.
    class Batch
    {
    public:
        explicit Batch(DefaultsDomain& domain)
            : m_domain(domain)
        {
            m_domain.beginBatch();
        }
        ~Batch() { m_domain.endBatch(); }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        DefaultsDomain& m_domain;
    };

protected:
    // Batches nest; only the end of the outermost one writes. A domain without a file to write
    // has nothing to group.
    virtual void beginBatch() { }
    virtual void endBatch() { }
};
