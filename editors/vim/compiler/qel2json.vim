" Vim compiler file
" Compiler:	qel2json, the translator of system descriptions into JSON
" Use:		:compiler qel2json (set for *.qel files by ftplugin/qel.vim);
"		:make translates the current file into FILE.json beside it,
"		:cfile ERRFILE reads a saved standard error of qel2json.
"
" qel2json reports each problem as one line
"	"FILE", line L:C SEVERITY: text
" ERROR and DEADLY become errors, WARNING warnings, NOTE notes.  The %t of
" each pattern stands on the letter that names the kind: (E)RROR, D(E)ADLY,
" (W)ARNING, (N)OTE.  C counts a tab up to the next of columns 1, 9, 17, ...,
" so it is read as a screen column (%v).  The file name may hold blanks,
" commas and quotes.  Other lines (the usage text, "cannot open FILE for
" reading") stay in the list as plain text.

if exists("current_compiler")
  finish
endif
let current_compiler = "qel2json"

if exists(":CompilerSet") != 2		" older Vim always used :setlocal
  command -nargs=* CompilerSet setlocal <args>
endif

let s:cpo_save = &cpo
set cpo&vim

" The document goes to FILE.json, the diagnostics to the quickfix list
" (the braces keep the redirection of the document apart from 'shellpipe';
" they need a POSIX shell).  It is written to FILE.json.new first and moves
" into place only when the run wrote one: a run that ends early (DEADLY)
" writes none and leaves the last good FILE.json as it was.
" (No "|" in it: :make would take it for the end of the command.)
CompilerSet makeprg={\ qel2json\ %:S\ >%:r:S.json.new;\ if\ test\ -s\ %:r:S.json.new;\ then\ mv\ -f\ %:r:S.json.new\ %:r:S.json;\ else\ rm\ -f\ %:r:S.json.new;\ fi;\ }

CompilerSet errorformat=
      \\"%f\"\\,\ line\ %l:%v\ %tRROR:\ %m,
      \\"%f\"\\,\ line\ %l:%v\ D%tADLY:\ %m,
      \\"%f\"\\,\ line\ %l:%v\ %tARNING:\ %m,
      \\"%f\"\\,\ line\ %l:%v\ %tOTE:\ %m

let &cpo = s:cpo_save
unlet s:cpo_save
