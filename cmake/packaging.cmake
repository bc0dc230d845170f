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
# qt6-wayland lets the window run natively on a Wayland session.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-ipafont-gothic, qt6-wayland, sound-theme-freedesktop, xdg-utils")

# The licence, as Debian's machine-readable copyright file, and the
# changelog go to share/doc/tavosu; the manual pages, in English and
# Japanese, to the man folders. The copyright file takes its notice and
# terms from LICENSE; for the drills, the terms of the EDRDG's dictionaries
# from data/CC-BY-SA-3.0.txt and the notice of the 常用漢字表's compilation,
# whose terms are LICENSE's, from drills/data/LICENSE.joyo-2017.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE TAVOSU_LICENSE)
file(READ ${PROJECT_SOURCE_DIR}/data/CC-BY-SA-3.0.txt TAVOSU_DRILLS_LICENSE)
file(READ ${PROJECT_SOURCE_DIR}/drills/data/LICENSE.joyo-2017 TAVOSU_JOYO_LICENSE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/data/CC-BY-SA-3.0.txt
  ${PROJECT_SOURCE_DIR}/drills/data/LICENSE.joyo-2017)

# Sets out to what follows "Copyright (c)" in a licence's text.
function(tavosu_copyright out text)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" line "${text}")
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()
tavosu_copyright(TAVOSU_COPYRIGHT "${TAVOSU_LICENSE}")
tavosu_copyright(TAVOSU_JOYO_COPYRIGHT "${TAVOSU_JOYO_LICENSE}")

# Sets out to text as the continuation lines of a License field: each line
# indented by a space, an empty line written ".".
function(tavosu_license_lines out text)
  string(STRIP "${text}" text)
  string(REPLACE "\n\n" "\n.\n" text "${text}")
  string(REPLACE "\n" "\n " text " ${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The terms are the text from "Permission" on.
string(FIND "${TAVOSU_LICENSE}" "Permission" TAVOSU_TERMS_START)
string(SUBSTRING "${TAVOSU_LICENSE}" ${TAVOSU_TERMS_START} -1 TAVOSU_LICENSE_TERMS)
tavosu_license_lines(TAVOSU_LICENSE_TERMS "${TAVOSU_LICENSE_TERMS}")
tavosu_license_lines(TAVOSU_DRILLS_LICENSE_TERMS "${TAVOSU_DRILLS_LICENSE}")
configure_file(${PROJECT_SOURCE_DIR}/data/copyright.in ${CMAKE_BINARY_DIR}/doc/copyright @ONLY)

# Debian wants the changelog and manual pages compressed with gzip -9n: no
# name or time stamp inside, so that the same sources make the same package.
set(TAVOSU_COMPRESSED)
foreach(source data/changelog man/tavosu.1 man/ja/tavosu.1)
  set(compressed ${CMAKE_BINARY_DIR}/doc/${source}.gz)
  get_filename_component(folder ${compressed} DIRECTORY)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND sh -c "gzip -9n <\"$1\" >\"$2\"" sh ${PROJECT_SOURCE_DIR}/${source} ${compressed}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source}
    VERBATIM)
  list(APPEND TAVOSU_COMPRESSED ${compressed})
endforeach()
add_custom_target(tavosu_docs ALL DEPENDS ${TAVOSU_COMPRESSED})

install(FILES ${CMAKE_BINARY_DIR}/doc/copyright ${CMAKE_BINARY_DIR}/doc/data/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavosu)
install(FILES ${CMAKE_BINARY_DIR}/doc/man/tavosu.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/doc/man/ja/tavosu.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)

include(CPack)
