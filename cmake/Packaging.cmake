# The Debian package: `cpack -G DEB` in the build folder makes orvane_<version>_amd64.deb.
# The libraries the program links are found by dpkg-shlibdeps (from dpkg-dev); what the program
# needs but does not link is named here.

set(ORVANE_APP_ID io.github.velmora.orvane)
# The program names its own desktop file, so the two cannot drift apart.
target_compile_definitions(orvane PRIVATE ORVANE_APP_ID="${ORVANE_APP_ID}")

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
# What the program needs but links to no library of: Qt loads its platform plugin at run time
# (without it no window opens); every text is Japanese, so a font with Japanese glyphs (else
# empty boxes) and Qt's own translations (else English buttons in Qt's dialogs) must be there
# even when recommended packages are left out.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic, qt6-translations-l10n")
# The interface is laid out for the IPA fonts (Mincho in windows and in print); Wayland sessions
# get a native client with qt6-wayland (XWayland otherwise); fcitx5 users type Japanese through
# its Qt module (ibus works through Qt's own); pictures are drawn in a paint program of the
# user's choice, the first of these the program finds.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-ipafont-gothic, fonts-ipafont-mincho, fonts-liberation, qt6-wayland, fcitx5-frontend-qt6, kolourpaint | mtpaint | pinta | drawing | gimp")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS sqlite3)

set(CPACK_GENERATOR DEB)
include(CPack)
