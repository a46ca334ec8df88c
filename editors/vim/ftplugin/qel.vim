" Vim filetype plugin
" Language:	qel, system descriptions translated by qel2json
" Sets comments, < > as a matching pair, and :compiler qel2json, so that
" :make translates the file and lists its diagnostics.

if exists("b:did_ftplugin")
  finish
endif
let b:did_ftplugin = 1

setlocal comments=:-- commentstring=--\ %s
setlocal matchpairs+=<:>
compiler qel2json

let b:undo_ftplugin = "setlocal comments< commentstring< matchpairs< makeprg< errorformat<"
