# SPDX-FileCopyrightText: 2026 Kudora developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in a Release build configured without KUDORA_DEVELOPER
# (scripts/check-package builds, installs and tries it).

set(CPACK_PACKAGE_NAME kudora)
set(CPACK_PACKAGE_VENDOR "Kudora developers")
set(CPACK_PACKAGE_CONTACT "Kudora developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Kudora finds the store applications you installed (App Store bundles in /Applications and
~/Applications, Flatpak applications from a remote such as Flathub, snaps from the Snap Store and
the distribution applications that AppStream describes) and lists them with when you last used and
last reviewed each one. One click opens an application's store page to write a review and remembers
that moment; applications can be ignored.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kudora.org/")
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kudora developers")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links are found by dpkg-shlibdeps. Plugins that Qt loads at run time
# are not linked and must be named: the image readers that decode the applications' ICNS icons.
# (Debian ships the X11 platform plugin in libqt6gui6 and the TLS backend in libqt6network6.)
# Without the Wayland plugin Qt runs through XWayland, so that one is only recommended. Review
# pages open through xdg-open, whose exit status alone tells whether one opened.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, xdg-utils")
# libflatpak and libappstream are loaded at run time, so dpkg-shlibdeps cannot see them; without
# them the program lists no Flatpak or distribution applications, which makes them recommendations
# rather than dependencies. Many Flatpak applications export only an SVG icon, which Qt reads with
# the plugin of libqt6svg6; without it they show the generic icon. Qt's own catalogues
# (qtbase_de.qm) translate Qt's texts in the window; without them those stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-wayland, libflatpak0, libappstream4, libqt6svg6, qt6-translations-l10n")

include(CPack)
