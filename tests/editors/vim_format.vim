" :QelFormat and gq in a description, with qel2json-format on PATH: MESSY is
" formatted whole, the cursor stays on its character of its token, one undo
" brings the text back, gq on any line does the same, and a formatted text
" is left untouched; BROKEN, which has ERRORs, is left as it is, its
" diagnostics in the quickfix list at their characters; without the program
" nothing changes either.  Writes what it finds, one line each.
"   vim -N -u NONE -i NONE -n -es --cmd "let g:args = [PLUGIN_DIR, MESSY, BROKEN, OUT]" -S vim_format.vim
set encoding=utf-8
let [s:plugin, s:messy, s:broken, s:out] = g:args
let &runtimepath = s:plugin . ',' . &runtimepath
filetype plugin on
let s:lines = []

function! s:Say(...) abort
  call add(s:lines, join(a:000, ''))
endfunction

" The cursor as line:character, the character and the blank-delimited word.
function! s:Cursor() abort
  let before = strpart(getline('.'), 0, col('.') - 1)
  return line('.') . ':' . (strchars(before) + 1) . ' ' . string(strcharpart(getline('.')[col('.') - 1 :], 0, 1))
        \ . ' in ' . expand('<cWORD>')
endfunction

function! s:LastMessage() abort
  return split(execute('messages'), "\n")[-1]
endfunction

execute 'edit ' . fnameescape(s:messy)
let s:original = getline(1, '$')
call search('ISEXTERN')
normal! 2l
call s:Say(':QelFormat, the cursor on ', s:Cursor())
QelFormat
let s:formatted = getline(1, '$')
call extend(s:lines, map(copy(s:formatted), '"| " . v:val'))
call s:Say('cursor: ', s:Cursor(), ', modified: ', &modified)
undo
call s:Say('one undo gives the text back: ', getline(1, '$') ==# s:original)

call cursor(2, 1)
call search('€')
call s:Say('gqq on line 2, the cursor on ', s:Cursor(), ': the cursor goes to the token the line began with')
normal! gqq
call s:Say('the whole text formatted: ', getline(1, '$') ==# s:formatted, ', cursor: ', s:Cursor())
let s:tick = b:changedtick
QelFormat
normal! gqG
call s:Say('formatted already, :QelFormat and gq change nothing: ', b:changedtick == s:tick)
set modified
enew!

execute 'edit ' . fnameescape(s:broken)
let s:original = getline(1, '$')
let s:tick = b:changedtick
QelFormat
call s:Say('with ERRORs the buffer stays as it was: ', getline(1, '$') ==# s:original && b:changedtick == s:tick)
call s:Say('message: ', s:LastMessage())
for s:e in getqflist()
  call cursor(s:e.lnum, s:e.col)
  call s:Say('quickfix: ', fnamemodify(bufname(s:e.bufnr), ':t'), ' ', s:e.type, ' ', s:e.text, ' -> ', s:Cursor())
endfor
normal! gqq
call s:Say('gq too: ', getline(1, '$') ==# s:original && b:changedtick == s:tick)

let g:qel2json_format_program = 'no-such-qel2json-format'
QelFormat
call s:Say('without the program the buffer stays as it was: ', b:changedtick == s:tick)
call s:Say('message: ', s:LastMessage())
call writefile(s:lines, s:out)
qall!
