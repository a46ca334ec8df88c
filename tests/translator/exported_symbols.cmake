# cmake -DLIBRARY=... -DEXPECTED=... -P exported_symbols.cmake: the dynamic
# symbols LIBRARY defines must be exactly those of EXPECTED, one a line.
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE table COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE "[^\n]* [A-Za-z] ([^\n]*)" "\\1" names "${table}")
string(STRIP "${names}" names)
string(REPLACE "\n" ";" names "${names}")
list(SORT names)
file(STRINGS ${EXPECTED} expected)
list(SORT expected)
if(NOT names STREQUAL expected)
  string(REPLACE ";" "\n  " names "${names}")
  message(FATAL_ERROR "${LIBRARY} exports\n  ${names}\nbut ${EXPECTED} lists others; change the list on purpose only")
endif()
