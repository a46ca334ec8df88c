" Vim syntax file
" Language:	qel, system descriptions translated by qel2json
" Files:	*.qel
"
" Keywords (upper case only), the brackets < >, string, integer and real
" literals, -- comments; any byte that can begin no token is marked.

if exists("b:current_syntax")
  finish
endif

syn case match

" Bytes that begin no token (everything but blanks, brackets, quotes, digits,
" '-', '.' and upper-case letters); literals and comments below take theirs.
syn match qelError "[^ \t\r<>\"0-9.A-Z-]"

syn keyword qelKeyword SYSTEM SYSTEMTYPE LINEAR NONLINEAR PARTIALLINEAR
syn keyword qelKeyword VARIABLES INSTANTIATION ISEXTERN REFERENCES LINEARCODE
syn keyword qelKeyword FUNCTION IDENT ALLP ALLU ALLY
syn keyword qelKeyword A A0 DX E F H P T U X Y
syn keyword qelType INTEGER REAL STRING
syn keyword qelNil NIL

syn match qelBracket "[<>]"

syn match qelInteger "-\=\d\+"
syn match qelReal "-\=\%(\d\+\.\d*\|\.\d\+\)\%([eE][-+]\=\d\+\)\=[FLfl]\="
syn match qelReal "-\=\d\+[eE][-+]\=\d\+[FLfl]\="

" A backslash at the end of a line continues the string; a line end without
" it ends the string (with an error from qel2json).
syn region qelString start=+"+ skip=+\\\\\|\\"\|\\$+ end=+"+ end=+$+ contains=qelEscape,qelEscapeUnknown
syn match qelEscapeUnknown contained "\\."
syn match qelEscape contained +\\\%(["'?\\abfnrtv]\|\o\{1,3}\|x\x\+\)+

syn match qelComment "--.*$" contains=qelTodo,@Spell
syn keyword qelTodo contained TODO FIXME XXX

hi def link qelKeyword		Keyword
hi def link qelType		Type
hi def link qelNil		Constant
hi def link qelBracket		Delimiter
hi def link qelInteger		Number
hi def link qelReal		Float
hi def link qelString		String
hi def link qelEscape		SpecialChar
hi def link qelEscapeUnknown	Todo
hi def link qelComment		Comment
hi def link qelTodo		Todo
hi def link qelError		Error

let b:current_syntax = "qel"
