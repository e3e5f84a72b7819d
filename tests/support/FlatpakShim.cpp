// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// libflatpak as the program loads it, but with a remote lookup that fails as the test asks:
// KUDORA_TEST_REMOTE_ERRNO set to ENOENT gives "remote not found", any other errno value the I/O
// error it names, unset or 0 the real lookup. Every other entry point is libflatpak's own, reached
// through this library's dependency on it.
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <flatpak.h>

extern "C" __attribute__((visibility("default"))) FlatpakRemote*
flatpak_installation_get_remote_by_name(FlatpakInstallation* self, const gchar* name,
                                        GCancellable* cancellable, GError** error)
{
    const char* requested = std::getenv("KUDORA_TEST_REMOTE_ERRNO");
    const int fault = requested ? std::atoi(requested) : 0;
    if (fault == ENOENT) {
        g_set_error(error, FLATPAK_ERROR, FLATPAK_ERROR_REMOTE_NOT_FOUND, "Remote \"%s\" not found", name);
        return nullptr;
    }
    if (fault != 0) {
        g_set_error_literal(error, G_IO_ERROR, g_io_error_from_errno(fault), g_strerror(fault));
        return nullptr;
    }
    using Lookup = decltype(&flatpak_installation_get_remote_by_name);
    static const auto real = reinterpret_cast<Lookup>(
        dlsym(dlopen("libflatpak.so.0", RTLD_NOW | RTLD_NOLOAD), "flatpak_installation_get_remote_by_name"));
    return real(self, name, cancellable, error);
}
