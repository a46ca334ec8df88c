" Where Vim lands on each report of qel2json about a description FILE: runs
" the program on it and reads the reports three ways: with :cgetfile while
" the file is not loaded yet, with :make in the file's buffer, and with
" :lgetfile there; with "format" after OUT, a fourth: the reports of
" qel2json-format, which :QelFormat lists, the buffer being left as it is.  Writes one line per report: the report without its file
" name, then where :cc (:ll) puts the cursor, as line:character and the
" character found there ("end of line" one past its last).  Where the ways
" disagree, each is written; and where the same reports read with another
" 'errorformat' do not keep their columns as read, those columns.
"   vim -N -u NONE -i NONE -n -es --cmd "let g:args = [PLUGIN_DIR, FILE, OUT(, 'format')]" -S vim_columns.vim
" (with qel2json, and qel2json-format, on PATH, in a folder where FILE.json
" may be written)
set encoding=utf-8
" A report past a line's end points one past its last character: let the
" cursor stand there rather than on the last one.
set virtualedit=onemore
let [s:plugin, s:file, s:out] = g:args[: 2]
let &runtimepath = s:plugin . ',' . &runtimepath
filetype plugin on

let s:reports = systemlist('qel2json ' . shellescape(s:file) . ' 2>&1 >/dev/null')
let s:errors = tempname()
call writefile(s:reports, s:errors)

function! s:Landings(entries, jump) abort
  let landings = []
  let n = 0
  for entry in a:entries
    let n += 1
    execute 'silent ' . a:jump . ' ' . n
    let text = getline('.')
    let char = strcharpart(strpart(text, col('.') - 1), 0, 1)
    let char = char ==# '' ? 'end of line' : char ==# "\t" ? 'tab' : "'" . char . "'"
    call add(landings, substitute(get(s:reports, n - 1, '?'), '^".\{-}", ', '', '')
          \ . ' -> ' . line('.') . ':' . (strchars(strpart(text, 0, col('.') - 1)) + 1) . ' ' . char)
  endfor
  return landings
endfunction

let s:ways = []
compiler qel2json
execute 'cgetfile ' . fnameescape(s:errors)
call add(s:ways, ['with :cgetfile, the file not loaded'] + s:Landings(getqflist(), 'cc'))
execute 'edit ' . fnameescape(s:file)
silent make
call add(s:ways, ['with :make in its buffer'] + s:Landings(getqflist(), 'cc'))
execute 'lgetfile ' . fnameescape(s:errors)
call add(s:ways, ['with :lgetfile in its buffer'] + s:Landings(getloclist(0), 'll'))
if get(g:args, 3, '') ==# 'format'
  let s:text = getline(1, '$')
  QelFormat
  call add(s:ways, ['with :QelFormat in its buffer' . (getline(1, '$') ==# s:text ? '' : ', which it changed')]
        \ + s:Landings(getqflist(), 'cc'))
endif
if len(filter(copy(s:ways), 'v:val[1:] == s:ways[0][1:]')) == len(s:ways)
  let s:lines = s:ways[0][1:]
else
  let s:lines = []
  for s:way in s:ways
    let s:lines += ['-- ' . s:way[0] . ':'] + s:way[1:]
  endfor
endif

setlocal errorformat=\"%f\"\\,\ line\ %l:%v\ %m
execute 'cgetfile ' . fnameescape(s:errors)
let s:kept = map(getqflist(), 'v:val.vcol ? v:val.lnum . ":" . v:val.col : "converted"')
let s:read = map(copy(s:reports), 'matchstr(v:val, ''line \zs\d\+:\d\+'')')
if s:kept != s:read
  call add(s:lines, '-- another errorformat, columns changed: ' . join(s:kept))
endif
call writefile(s:lines, s:out)
qall!
