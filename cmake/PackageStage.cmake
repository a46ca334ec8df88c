# Run by cpack on the staged files of each package before it is made
# (CPACK_PRE_BUILD_SCRIPTS): compresses the manual pages, and for the Debian
# package adds /usr/share/doc/qel2json/copyright and changelog.Debian.gz and
# a lintian override.
set(root ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(mode PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(dirmode DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# gzip -9n: the best compression, and no name or time stamp in the header.
function(compress file)
  if(CPACK_QEL_GZIP)
    execute_process(COMMAND ${CPACK_QEL_GZIP} -9nf ${file} COMMAND_ERROR_IS_FATAL ANY)
  endif()
endfunction()

file(GLOB pages ${root}/share/man/man*/*.[1-9])
foreach(page IN LISTS pages)
  compress(${page})
endforeach()

if(CPACK_GENERATOR STREQUAL "DEB")
  set(doc ${root}/share/doc/${CPACK_PACKAGE_NAME})

  # The copyright file in Debian's machine-readable form: the holder from
  # the copyright line of LICENSE, and its licence text from "Permission"
  # on (an empty line of it becomes " .").
  file(STRINGS ${CPACK_RESOURCE_FILE_LICENSE} lines)
  set(holder ${lines})
  list(FILTER holder INCLUDE REGEX "^Copyright \\(c\\) ")
  list(TRANSFORM holder REPLACE "^Copyright \\(c\\) " "")
  set(text "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^Permission" OR NOT text STREQUAL "")
      if(line STREQUAL "")
        set(line ".")
      endif()
      string(APPEND text " ${line}\n")
    endif()
  endforeach()
  file(WRITE ${doc}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${CPACK_PACKAGE_NAME}
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}

Files: *
Copyright: ${holder}
Comment: The MIT licence of LICENSE, which Debian calls Expat.
License: Expat
${text}")
  file(CHMOD ${doc}/copyright ${mode})

  # The package is not uploaded to Debian, so its changelog closes no bug.
  set(overrides ${root}/share/lintian/overrides)
  file(MAKE_DIRECTORY ${overrides})
  file(CHMOD ${root}/share/lintian ${overrides} ${dirmode})
  file(WRITE ${overrides}/${CPACK_PACKAGE_NAME}
    "# Built outside Debian: the first changelog entry closes no bug.\n"
    "${CPACK_PACKAGE_NAME}: initial-upload-closes-no-bugs\n")
  file(CHMOD ${overrides}/${CPACK_PACKAGE_NAME} ${mode})

  file(COPY_FILE ${CPACK_QEL_CHANGELOG} ${doc}/changelog.Debian)
  file(CHMOD ${doc}/changelog.Debian ${mode})
  compress(${doc}/changelog.Debian)
endif()
