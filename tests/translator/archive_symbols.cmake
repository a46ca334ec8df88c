# cmake -DARCHIVE=libqel2json.a -P archive_symbols.cmake: every symbol the
# static library defines for other objects must be the library's own, so
# that a program's own names never clash with it:
# - the C interface, qel2json_...;
# - C++ names in the namespace qel2json and of the classes named
#   qel2json_... (functions, local entities, and the vtables, typeinfo,
#   thunks and guards of its classes);
# - weak instantiations of the standard library's templates and inline
#   operators new and delete, which the linker merges with the program's
#   own; the hidden references that exception handling makes (DW.ref.*);
#   and AddressSanitizer's marks of the library's own names (__odr_asan.*).
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -g --defined-only ${ARCHIVE} OUTPUT_VARIABLE table COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\n" ";" lines "${table}")
set(strangers "")
set(count 0)
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^[0-9a-f]+ ([A-Za-z]) (.+)$")
    continue()
  endif()
  set(type ${CMAKE_MATCH_1})
  set(name ${CMAKE_MATCH_2})
  math(EXPR count "${count} + 1")
  if(name MATCHES "^qel2json_"
     OR name MATCHES "^_Z(T[VIST]|GVZ?|Z|Th[n]?[0-9]+_|Tv[n]?[0-9]+_n?[0-9]+_)?N?[rVKRO]*8qel2json"
     OR name MATCHES "^_Z(T[VIS])?N?[rVKRO]*[0-9]+qel2json_"
     OR name MATCHES "^DW\\.ref\\."
     OR name MATCHES "^__odr_asan\\.")
    continue()
  endif()
  if(type MATCHES "^[WVu]$" AND name MATCHES "^_Z(Z|GVZ)?N?[rVKRO]*(S[tabsiod]|9__gnu_cxx)|^_ZS[tabsiod]|^_Z(nw|na|dl|da)")
    continue()
  endif()
  list(APPEND strangers "${type} ${name}")
endforeach()
if(count LESS 20)
  message(FATAL_ERROR "${ARCHIVE}: only ${count} symbols; nm did not read it")
endif()
if(strangers)
  list(JOIN strangers "\n  " shown)
  message(FATAL_ERROR "${ARCHIVE} defines names that are not the library's own (c++filt them):\n  ${shown}")
endif()
message(STATUS "${count} symbols, all the library's own")
