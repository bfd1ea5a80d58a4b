# Debian packages from the install rules (CPack, DEB generator):
#   libtavo2     the shared library (Runtime component), its dependencies
#                computed by dpkg-shlibdeps, with a shlibs file and the
#                ldconfig trigger;
#   libtavo-dev  headers, the libtavo.so link, the CMake package files and
#                tavo.pc (Development component), depending on libtavo2 of
#                exactly the same version.
# Built by scripts/package.sh from a configuration with
# CMAKE_INSTALL_PREFIX=/usr; `cpack` in such a build tree writes the .deb files.
set(TAVO_DEB_RUNTIME libtavo${PROJECT_VERSION_MAJOR})
set(TAVO_DEB_DEV libtavo-dev)
# A version suffix for builds of a tree with uncommitted changes
# (scripts/package.sh --allow-dirty sets it), so such packages are told apart.
set(TAVO_PACKAGE_VERSION_SUFFIX "" CACHE STRING "Appended to the Debian package version")
set(TAVO_DEB_VERSION "${PROJECT_VERSION}${TAVO_PACKAGE_VERSION_SUFFIX}")

# Each package carries its copyright file and changelog in
# /usr/share/doc/<package>/ (the changelog of this native package, compressed
# reproducibly).
set(tavo_changelog_gz "${PROJECT_BINARY_DIR}/debian/changelog.gz")
file(MAKE_DIRECTORY "${PROJECT_BINARY_DIR}/debian")
find_program(TAVO_GZIP gzip)
if(NOT TAVO_GZIP)
  message(FATAL_ERROR "gzip is needed for the packages' changelog")
endif()
execute_process(COMMAND "${TAVO_GZIP}" -9nc "${PROJECT_SOURCE_DIR}/cmake/debian/changelog"
  OUTPUT_FILE "${tavo_changelog_gz}" RESULT_VARIABLE gzip_result)
if(NOT gzip_result EQUAL 0)
  message(FATAL_ERROR "gzip could not compress cmake/debian/changelog")
endif()
foreach(pair "Runtime;${TAVO_DEB_RUNTIME}" "Development;${TAVO_DEB_DEV}")
  list(GET pair 0 component)
  list(GET pair 1 package)
  install(FILES "${PROJECT_SOURCE_DIR}/cmake/debian/copyright" "${tavo_changelog_gz}"
    DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}"
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

# The long description both packages share, before their own last line.
set(tavo_deb_about "libtavo gives client programs a dynamic byte string and string lists,\n\
plain C-string helpers, stdio files with key/value and INI parsing,\n\
settings readers, a timestamped log, TCP and UDP sockets with a NetBIOS\n\
MAC lookup, a MySQL client wrapper, named shared memory, RC4, a password\n\
transform and archive launching.\n\
.\n")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME libtavo)
set(CPACK_PACKAGE_VENDOR "libtavo developers")
set(CPACK_PACKAGE_CONTACT "libtavo developers <tavo@example.org>")
set(CPACK_PACKAGE_VERSION "${TAVO_DEB_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/libtavo")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${TAVO_DEB_RUNTIME})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The linker cache is refreshed by dpkg's ldconfig trigger; the maintainer
# scripts given here replace CPack's own, which would call ldconfig directly.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  "${PROJECT_SOURCE_DIR}/cmake/debian/triggers"
  "${PROJECT_SOURCE_DIR}/cmake/debian/postinst"
  "${PROJECT_SOURCE_DIR}/cmake/debian/postrm")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "C++ utility library for client programs - shared library\n${tavo_deb_about}This package holds the shared library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${TAVO_DEB_DEV})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${TAVO_DEB_RUNTIME} (= ${TAVO_DEB_VERSION})")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "C++ utility library for client programs - development files\n${tavo_deb_about}This package holds the headers, the CMake package (find_package(tavo))\n\
and the pkg-config file (tavo.pc).")

include(CPack)
