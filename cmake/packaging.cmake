# The Debian package: `cpack -G DEB` in a build tree packs what
# `cmake --install` puts in place, under /usr.
#
# dpkg-shlibdeps derives Depends from the libraries the program links.
# Those do not pull in Qt's platform plugins (libqt6gui6 only recommends
# them), without which no window can open, nor Qt's Japanese texts, so both
# are added by hand.

set(CPACK_PACKAGE_NAME tavosu)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tavosu developers")
set(CPACK_PACKAGE_CONTACT "Tavosu developers <maintainers@tavosu.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# One paragraph, wrapped for the package's long description.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Tavosu drills written Japanese from plain question files, one question"
  "and its answer to a line. It shows one question at a time from a random"
  "start; the user answers for himself, reveals the answer and grades"
  "himself right or wrong. Scoring writes a dated results file that is"
  "itself a question file, so that opening it again asks only the questions"
  "that were missed. Question files in Shift_JIS (code page 932) and in"
  "UTF-8 are both read.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, sound-theme-freedesktop, xdg-utils")

include(CPack)
