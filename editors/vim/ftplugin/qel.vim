" Vim filetype plugin
" Language:	qel, system descriptions translated by qel2json
" Sets comments, < > as a matching pair, and :compiler qel2json, so that
" :make translates the file and lists its diagnostics; :QelFormat and gq
" format the whole description with qel2json-format (autoload/qel.vim).

if exists("b:did_ftplugin")
  finish
endif
let b:did_ftplugin = 1

setlocal comments=:-- commentstring=--\ %s
setlocal matchpairs+=<:>
compiler qel2json
" Not 'formatprg': a plain filter puts whatever the program writes in place
" of the text, nothing or its diagnostics when the description has an ERROR.
setlocal formatexpr=qel#FormatExpr()
command! -buffer -bar QelFormat call qel#Format()

let b:undo_ftplugin = "setlocal comments< commentstring< matchpairs< makeprg< errorformat< formatexpr<"
      \ . " | delcommand -buffer QelFormat"
