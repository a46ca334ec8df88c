# cmake -DSOURCE=PROJECT_SOURCE_DIR -P keywords.cmake
# The keywords that the Vim syntax and the Emacs mode know are exactly the
# keywords of scanner/tokens.def.
file(STRINGS ${SOURCE}/scanner/tokens.def defs REGEX "^TOKEN\\(.*\"[A-Z][A-Z0-9]*\"\\)$")
list(TRANSFORM defs REPLACE ".*\"([A-Z0-9]+)\"\\)$" "\\1" OUTPUT_VARIABLE tokens)

file(STRINGS ${SOURCE}/editors/vim/syntax/qel.vim lines REGEX "^syn keyword qel(Keyword|Type|Nil) ")
list(TRANSFORM lines REPLACE "^syn keyword [A-Za-z]+ " "")
string(REPLACE " " ";" vim "${lines}")

file(READ ${SOURCE}/editors/emacs/qel2json.el el)
string(REGEX MATCH "\\(defconst qel-keywords[^)]*\\)" el "${el}")
string(REGEX MATCHALL "\"[A-Z0-9]+\"" emacs "${el}")
list(TRANSFORM emacs REPLACE "\"" "")

list(SORT tokens)
foreach(editor vim emacs)
  list(SORT ${editor})
  if(NOT ${editor} STREQUAL tokens)
    message(SEND_ERROR "${editor} knows the keywords ${${editor}}\nscanner/tokens.def has ${tokens}")
  endif()
endforeach()
