# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in a build folder packs the "deb" layout
# of cmake/TipvaultInstall.cmake into tipvault_<version>_amd64.deb.
# scripts/package makes it from a Release build of its own.

set(CPACK_PACKAGE_NAME tipvault)
set(CPACK_PACKAGE_VENDOR "Tipvault")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "offline reader for a database of programming tips")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://tipvault.example.org/")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)

# Only the package's own layout, rooted at /.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};deb;/")
set(CPACK_PACKAGING_INSTALL_PREFIX /)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tipvault <webmaster@tipvault.example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack puts the summary above this, as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tipvault reads a catalogue of programming tips that lies beside the program:
sections list their entries, and an entry's articles, FAQs, example archives,
HTML pages and web links open as tabs. Texts can be copied and saved, archive
members extracted into a folder; a name search, module statistics and the
integration of module updates complete it. The user interface is German.")
# Libraries the program links: found by dpkg-shlibdeps. What Qt loads at run
# time is no linked library and is named here: the platform plugins and the
# SVG plugin (the window's pictures); Qt's German texts are recommended, and
# the faces that measure like Windows' fonts, so articles keep their line breaks.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-translations-l10n, fonts-liberation2, fonts-crosextra-carlito, fonts-crosextra-caladea")

include(CPack)
