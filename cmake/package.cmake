# `make package` (cpack -G DEB in a Release build): one Debian package with the three programs
# and their desktop integration. Library dependencies come from dpkg-shlibdeps; the Qt plugins
# the window loads at run time (the X11 platform plugin, the SVG icon engine for its icon) are
# not linked, so dpkg-shlibdeps cannot see them and they are named here.
include(GNUInstallDirs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plotaktar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The plotaktar developers")
set(CPACK_PACKAGE_CONTACT "The plotaktar developers <maintainers@plotaktar.org>"
    CACHE STRING "Maintainer of the Debian package")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The GDAL read driver among GDAL's plugins uses GDAL's C++ interface, which changes between
# versions: it is built for GDAL 3.6 and needs that one.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, libgdal32 (>= 3.6), libgdal32 (<< 3.7)")
# A sheet's PDF is written with the PDF engine's private parts, which are those of the one Qt
# version the programs are built with.
if(Qt6Gui_VERSION)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", qt6-base-abi (= ${Qt6Gui_VERSION})")
endif()
# Qt's own Turkish texts for the file dialogs and message boxes ("Aç", "İptal", "Tamam"); the
# programs fall back to Qt's English ones without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PLOTAKTAR_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "converter for Turkish land-survey drawings
plotaktar reads a surveyor's drawing - a geometry file (.gplt), a text-label
file (.yaz) and its companion (.yfn) in the windows-1254 code page - and
writes it as a plot file (.plt) for a mapping application, carrying every
byte of the surveyor's data over exactly.

The package holds the window (plotaktar), which shows the drawing's records
in read-only tables before saving, the drawing viewer (plotaktar-view), which
opens drawings and plot files from the file manager, and the command-line
converter (plotaktar-cli) for scripts and machines without a desktop.")

# Debian's documentation files: the copyright notice and the changelog, compressed.
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
find_program(GZIP gzip)
if(GZIP)
    add_custom_command(OUTPUT changelog.gz
        COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/data/changelog > changelog.gz
        DEPENDS ${PROJECT_SOURCE_DIR}/data/changelog VERBATIM)
    add_custom_target(debian_changelog ALL DEPENDS changelog.gz)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

include(CPack)
