# The Debian package: `cpack -G DEB` in the build folder makes orvane_<version>_amd64.deb.
# The libraries the program links are found by dpkg-shlibdeps (from dpkg-dev); what the program
# needs but does not link is named here.

set(ORVANE_APP_ID io.github.velmora.orvane)

install(FILES resources/${ORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/${ORVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES resources/orvane.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
install(FILES resources/orvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_CONTACT "Velmora <orvane@velmora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture diary with a Japanese user interface")
set(CPACK_PACKAGE_DESCRIPTION
    "A month calendar whose days hold a journal text, a short remark and a picture drawn in \
your own paint program. A year notebook lists and prints a year's entries; a search window \
finds entries by their words. The journal is an SQLite file in your data folder.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY orvane)
# Installed under /usr whatever the build's own prefix is.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugin at run time, so no linked library names it; without it the
# program cannot open a window.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# The interface is laid out for these fonts; pictures are drawn in a paint program of the user's
# choice, the first of these the program finds.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-ipafont-gothic, fonts-ipafont-mincho, fonts-liberation, kolourpaint | mtpaint | pinta | drawing | gimp")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS sqlite3)

set(CPACK_GENERATOR DEB)
include(CPack)
