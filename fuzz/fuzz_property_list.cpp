// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Property lists in either form, as read from any file on disk (Info.plist, iTunesMetadata.plist,
// the defaults domain). Beyond not crashing, whatever was read must be writable in both forms so
// that it reads back: a value the program writes but cannot read again would cost the user the
// whole defaults file.
#include "PropertyList.h"

#include <QByteArrayView>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
void requireReadable(const QByteArray& written, const char* form)
{
    if (written.isEmpty())
        return; // a value without property-list form is refused by the writer, which is fine
    if (!PropertyList::parse(written)) {
        std::fprintf(stderr, "written %s property list does not read back:\n%.*s\n", form,
                     int(qMin(written.size(), qsizetype(4096))), written.constData());
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto value = PropertyList::parse(bytes);
    const auto dictionary = PropertyList::parseDictionary(bytes);
    if (dictionary.has_value() && !value.has_value())
        std::abort(); // a dictionary is a property list
    if (!value)
        return 0;
    requireReadable(PropertyList::serialize(*value, PropertyList::Format::Xml), "XML");
    requireReadable(PropertyList::serialize(*value, PropertyList::Format::Binary), "binary");
    return 0;
}
