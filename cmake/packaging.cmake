# The Debian package: `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr (see
# scripts/package) gives siteloom_<version>-<revision>_<arch>.deb, which lintian accepts without an
# error or a warning (the test package_lintian).
set(CPACK_PACKAGE_NAME siteloom)
set(CPACK_PACKAGE_VERSION ${SITELOOM_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${SITELOOM_DEBIAN_RELEASE})
set(CPACK_PACKAGE_VENDOR "The SiteLoom author")
set(CPACK_PACKAGE_CONTACT "The SiteLoom author <${SITELOOM_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "link collection page maker for a personal home page (Japanese)")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Type in the sites you link to (banner image URL, name, URL), keep them in an"
    "ordered list, pick a title and a background, and press one button: siteloom"
    "writes the link collection page as one HTML file (Shift-JIS, CR LF) into the"
    "directory you chose. The list and the page options save to and load from a"
    "small text file. The user interface is in Japanese.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${SITELOOM_HOME_PAGE})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
# The Qt 6 libraries (widgets and all they need) come from the program's own linking; the rest is
# what it asks for at run time: Qt's Japanese translation for the standard dialogs, one Gothic and one
# Mincho face for the Japanese text, and xdg-open for the author's home page. The font alternatives
# are exactly the packages the layout tests run the windows with (tst_layout_* in
# tests/CMakeLists.txt): a package added here needs its run there.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-translations-l10n, \
fonts-ipafont-gothic | fonts-ipaexfont-gothic | fonts-noto-cjk, \
fonts-ipafont-mincho | fonts-ipaexfont-mincho | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ibus-mozc | fcitx5-mozc, qt6-wayland")

include(CPack)
