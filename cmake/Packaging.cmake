# SPDX-License-Identifier: Apache-2.0
# Debian packages from the install rules: `cpack -G DEB` in a build tree
# configured with -DCMAKE_INSTALL_PREFIX=/usr (GNUInstallDirs then gives the
# multiarch libdir), -DORYX_INSTALL_RUNPATH=OFF and Debian's build flags;
# scripts/build-debs.sh does all three.
#   runtime -> liboryxutil0       the shared library
#   dev     -> liboryxutil-dev    headers, CMake package, oryxutil.pc, .so link
#   tools   -> oryxutil-tools     oryx-export, oryx-tao-args, man pages, completions

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
if(ORYX_BUILD_TOOLS)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()
# Debian packages always install under /usr, whatever the build tree's prefix.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debian revision 1 of the upstream version; a rebuild with changes bumps it.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
if(NOT CPACK_PACKAGE_CONTACT)
  set(CPACK_PACKAGE_CONTACT "oryxutil developers <oryxutil@example.org>")
endif()
# Each package has its own synopsis; no project-wide line is put in front.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The tools link the library of the runtime package, which is not installed
# while packaging: dpkg-shlibdeps finds it in the build tree, and the
# dependency on liboryxutil0 comes from the component dependency below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
# Man pages are packaged gzip-compressed, as Debian wants them.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/deb/compress-man.cmake)
# CPack writes no Multi-Arch field: the library package gets "same" (its
# files live in the multiarch directory) after it is built.
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/deb/multiarch.cmake)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME liboryxutil${ORYX_SOVERSION})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# shlibs control file: only the library package has a shared object.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The zip functions run 7za.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "p7zip-full")
# ldconfig through dpkg's trigger, which lintian requires (the post-build
# script removes CPack's maintainer scripts that would call it again).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/deb/triggers)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
"export writers, file utilities, profiling and ORB configuration on ACE
oryxutil is a C++17 utility library for server processes: CSV, HTML, XML,
boxed-text and XLSX export writers behind one interface, optionally split into
numbered part files; sorted directory listings, tree removal, retention
clean-up and zip packing with 7za; named profiling timers; and the TAO ORB
argument vector built from tao.cfg.
.
This package contains the shared library.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME liboryxutil-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# Everything the CMake package and oryxutil.pc look for: ACE and (as
# Requires.private, which pkg-config --cflags resolves too) libxlsxwriter,
# both through pkg-config.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libace-dev, libxlsxwriter-dev, libutf8proc-dev, pkg-config")
set(CPACK_DEBIAN_DEV_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_DEBIAN_DEV_DESCRIPTION
"utility library on ACE for server processes - development files
oryxutil is a C++17 utility library for server processes built on ACE.
.
This package contains the headers, the CMake package (find_package(oryxutil))
and the pkg-config file.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME oryxutil-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
"command-line tools of the oryxutil library
oryx-export writes a CSV table as CSV, HTML, XML, boxed text or an
XLSX workbook, optionally in numbered part files; oryx-tao-args prints
the TAO ORB argument vector that a tao.cfg file gives.")

# copyright and changelog in /usr/share/doc/<package>/ of each package; only
# the packages install them, not a plain `cmake --install`.
string(TIMESTAMP ORYX_DEB_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${PROJECT_BINARY_DIR}/deb/changelog.Debian
"oryxutil (${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}) stable; urgency=medium

  * oryxutil ${PROJECT_VERSION}.

 -- ${CPACK_PACKAGE_CONTACT}  ${ORYX_DEB_DATE}
")
execute_process(COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/deb/changelog.Debian COMMAND_ERROR_IS_FATAL ANY)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} c)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/deb/copyright ${PROJECT_BINARY_DIR}/deb/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${c}_PACKAGE_NAME}
          COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

include(CPack)
