# What `cmake --install` puts where, and the packages CPack makes of it: a
# .deb from a Linux build, a .zip from the Windows build (see README.md,
# "Packages").

if(WIN32)
  # The program and its README side by side at the top of the .zip.
  install(TARGETS qolt2wpt RUNTIME DESTINATION .)
  # README.txt with CR LF line ends, which every Windows editor shows as lines.
  file(READ ${PROJECT_SOURCE_DIR}/README.md qolt2wpt_readme)
  string(REPLACE "\n" "\r\n" qolt2wpt_readme "${qolt2wpt_readme}")
  file(WRITE ${PROJECT_BINARY_DIR}/README.txt "${qolt2wpt_readme}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  install(TARGETS qolt2wpt RUNTIME DESTINATION bin)
  install(FILES README.md DESTINATION share/doc/qolt2wpt)
  set(CPACK_GENERATOR DEB)
endif()

set(QOLT2WPT_PACKAGE_MAINTAINER "qolt2wpt maintainers <maintainers@qolt2wpt.invalid>"
    CACHE STRING "Maintainer named in the packages, as \"Name <address>\"")
set(CPACK_PACKAGE_NAME qolt2wpt)
set(CPACK_PACKAGE_VENDOR "qolt2wpt maintainers")
set(CPACK_PACKAGE_CONTACT "${QOLT2WPT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts a point list (NAME.qOLT.txt) into a waypoint file (NAME.wpt)")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "A console tool that asks for a base name and turns the point list NAME.qOLT.txt, a text list of "
       "labelled geographic points, into the fixed-column waypoint file NAME.wpt.")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QOLT2WPT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # qolt2wpt_VERSION-1_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# The libc and libstdc++ versions the binary needs, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
