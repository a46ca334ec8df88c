# What `cmake --install build [--prefix DIR]` puts where, and the packages
# that `cpack` (run in the build folder) makes of it: a Debian package and a
# .tar.gz.  The project version comes from project() alone.
include(GNUInstallDirs)

# The manual page, with the version filled in.
configure_file(${PROJECT_SOURCE_DIR}/docs/qel2json.1.in ${PROJECT_BINARY_DIR}/qel2json.1 @ONLY)

install(TARGETS qel2json RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/qel2json.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The language server, where it is built, with its manual page.
if(TARGET qel2json-lsp)
  configure_file(${PROJECT_SOURCE_DIR}/docs/qel2json-lsp.1.in ${PROJECT_BINARY_DIR}/qel2json-lsp.1 @ONLY)
  install(TARGETS qel2json-lsp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_BINARY_DIR}/qel2json-lsp.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The formatter, where it is built, with its manual page.
if(TARGET qel2json-format)
  configure_file(${PROJECT_SOURCE_DIR}/docs/qel2json-format.1.in ${PROJECT_BINARY_DIR}/qel2json-format.1 @ONLY)
  install(TARGETS qel2json-format RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_BINARY_DIR}/qel2json-format.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The library: shared and static, the C and C++ headers, a CMake package
# (find_package(qel2json CONFIG) gives qel2json::qel2json) and a pkg-config
# file.  Both find the files relative to where they are installed, so that
# any prefix works.
install(TARGETS qel2json_shared qel2json_static EXPORT qel2jsonTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/qel2json.h ${PROJECT_SOURCE_DIR}/include/qel2json.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
set(QEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qel2json)
install(EXPORT qel2jsonTargets NAMESPACE qel2json:: DESTINATION ${QEL_CMAKE_DIR})
include(CMakePackageConfigHelpers)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/qel2jsonConfig.cmake.in
  ${PROJECT_BINARY_DIR}/qel2jsonConfig.cmake INSTALL_DESTINATION ${QEL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qel2jsonConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qel2jsonConfig.cmake ${PROJECT_BINARY_DIR}/qel2jsonConfigVersion.cmake
  DESTINATION ${QEL_CMAKE_DIR})
# ${pcfiledir} is <prefix>/<libdir>/pkgconfig: the prefix is as many levels up.
file(RELATIVE_PATH QEL_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" QEL_PC_TO_PREFIX "${QEL_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/qel2json.pc.in ${PROJECT_BINARY_DIR}/qel2json.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qel2json.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Documentation: share/doc/qel2json/ holds README.md, LICENSE, the guides of
# docs/ and the examples (descriptions with their documents).
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR} FILES_MATCHING PATTERN "*.md")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples DESTINATION ${CMAKE_INSTALL_DOCDIR}
  FILES_MATCHING PATTERN "*.qel" PATTERN "*.json" PATTERN "*.md")

# The JSON schema of the document, where the build has made it (tested at
# install time, so that no empty folder is left without it).
if(NOT DEFINED QEL_SCHEMA_FILE)
  set(QEL_SCHEMA_FILE ${PROJECT_BINARY_DIR}/qel2json.schema.json)
endif()
install(CODE "
  if(EXISTS \"${QEL_SCHEMA_FILE}\")
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/qel2json\"
      TYPE FILE FILES \"${QEL_SCHEMA_FILE}\")
  endif()")

# Editor support for descriptions and diagnostics, where Vim and Emacs look
# for system-wide files (under the prefix /usr).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/editors/vim/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vim/vimfiles)
install(FILES ${PROJECT_SOURCE_DIR}/editors/emacs/qel2json.el DESTINATION ${CMAKE_INSTALL_DATADIR}/emacs/site-lisp)
# The VS Code extension's package, where the build made it (code
# --install-extension takes it from there).
if(TARGET qel_vscode)
  install(FILES ${QEL_VSIX} DESTINATION ${CMAKE_INSTALL_DATADIR}/qel2json)
endif()

# ---- Packages ----
set(QEL_MAINTAINER "The qel2json developers <qel2json@example.org>"
  CACHE STRING "Maintainer named in the packages (Name <address>)")
set(CPACK_PACKAGE_VENDOR "The qel2json developers")
set(CPACK_PACKAGE_CONTACT "${QEL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "translator of dynamic system descriptions into JSON")
set(CPACK_PACKAGE_DESCRIPTION [=[qel2json reads the description of a dynamic system (its variables,
trees of parts, couplings and basic blocks, written in a small, rigid
description language) and writes the same content as one JSON document in
a fixed layout. It checks the text lexically and syntactically; after a
syntax error it repairs the input, still writes the document, and records
the error in its exit status. Diagnostics name the file, line and column.

The package holds the program, the formatter qel2json-format (descriptions
written anew in one canonical layout, and from documents), the library
with its C and C++ headers, the
Python package qel2json (translation in-process and batch translation of
whole trees), the language server qel2json-lsp (diagnostics as you type,
outline, highlighting and hover in any editor that speaks the Language
Server Protocol), the manual pages, the language and output guides with
examples, Vim and Emacs support for descriptions and diagnostics, and the
VS Code extension, as a .vsix in /usr/share/qel2json.]=])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The Debian package needs dpkg-shlibdeps (dpkg-dev) for its dependencies.
find_program(QEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QEL_DPKG_SHLIBDEPS)
  set(CPACK_GENERATOR DEB TGZ)
else()
  message(STATUS "Debian package: off, dpkg-shlibdeps not found (Debian: dpkg-dev); cpack makes the .tar.gz only")
  set(CPACK_GENERATOR TGZ)
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python package (python/) is for Debian's python3; its progress bar
# uses tqdm where installed.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-tqdm, python3-dask, python3-distributed")
# The shared library: its shlibs file, and ldconfig run by a trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)

# Debian's changelog and copyright file, and compressed manual pages, are
# added to the staged files by this script just before each package is made.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageStage.cmake)
set(CPACK_QEL_CHANGELOG ${PROJECT_SOURCE_DIR}/packaging/changelog.Debian)
find_program(CPACK_QEL_GZIP gzip)
if(NOT CPACK_QEL_GZIP)
  message(STATUS "packages: gzip not found, manual page and changelog left uncompressed")
endif()
file(STRINGS ${CPACK_QEL_CHANGELOG} latest LIMIT_COUNT 1)
if(NOT latest MATCHES "^qel2json \\(${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}\\) ")
  message(WARNING "packaging/changelog.Debian has no entry on top for version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
endif()

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git" "/build[^/]*/" "/stage/" "\\\\.swp$")
include(CPack)
