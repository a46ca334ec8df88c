# What `cmake --install build [--prefix DIR]` puts where.  The project
# version comes from project() alone.
include(GNUInstallDirs)

# The manual page, with the version filled in.
configure_file(${PROJECT_SOURCE_DIR}/docs/qel2json.1.in ${PROJECT_BINARY_DIR}/qel2json.1 @ONLY)

install(TARGETS qel2json RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/qel2json.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

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
