# Installation and packaging: `cmake --install` puts kivo in bin/, its manual
# page in share/man/man1/ and the user documentation with the example surveys
# in share/doc/kivo/; `cpack` builds a Debian package of the same tree.

include(GNUInstallDirs)

if(WIN32)
  # For Windows, one folder to unpack anywhere: kivo.exe beside its README,
  # the documentation and the examples, packed as kivo-<version>-win64.zip.
  install(TARGETS kivo RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/parameters.md ${PROJECT_SOURCE_DIR}/docs/kivo.1
                ${PROJECT_SOURCE_DIR}/docs/look-lines.png DESTINATION docs)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples)
  set(CPACK_GENERATOR "ZIP")
  set(CPACK_PACKAGE_NAME "kivo")
  set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
  set(CPACK_PACKAGE_FILE_NAME "kivo-${PROJECT_VERSION}-win64")
  set(CPACK_STRIP_FILES ON)
  include(CPack)
  return()
endif()

install(TARGETS kivo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/kivo.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/docs/parameters.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "kivo")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "kivo team")
set(CPACK_PACKAGE_CONTACT "kivo team <kivo-team@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "airborne FDEM soundings to QUINSA observations converter")
set(CPACK_PACKAGE_DESCRIPTION
    "kivo converts a column-oriented text file of airborne frequency-domain\n\
electromagnetic soundings into the observations file read by the 1-D\n\
inversion program QUINSA. A parameters file, kivo.in, names the data and\n\
output files, describes every column (coordinates, height, in-phase and\n\
quadrature data with their frequency, geometry and uncertainties) and\n\
chooses averaging or decimation of the soundings.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "kivo")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Depends is computed from the binary's shared libraries (libc6, libstdc++6,
# libgcc-s1) by dpkg-shlibdeps, which dpkg-dev provides.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# `man kivo` needs a manual-page viewer; recommended, not required.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "man-db")

include(CPack)
