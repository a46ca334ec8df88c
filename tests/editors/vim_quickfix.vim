" Fills the quickfix list, with :compiler qel2json and :cfile from a sample
" of diagnostics, or with :make in a description (FILE.qel), and writes one
" line per entry found: file|line|column|kind|where :cc lands (line:byte,
" or - where the file is absent or the line is past its end).  The column
" is the entry's: a byte index where the plugin could read the line.
"   vim -N -u NONE -i NONE -n -es --cmd "let g:args = [PLUGIN_DIR, SAMPLE, OUT]" -S vim_quickfix.vim
let [s:plugin, s:sample, s:out] = g:args
let &runtimepath = s:plugin . ',' . &runtimepath
if s:sample =~ '\.qel$'
  filetype plugin on
  execute 'edit ' . fnameescape(s:sample)
  silent make
else
  compiler qel2json
  execute 'cfile ' . fnameescape(s:sample)
endif
let s:kind = {'E': 'error', 'W': 'warning', 'N': 'note'}
let s:lines = []
let s:n = 0
for s:e in getqflist()
  let s:n += 1
  if !s:e.valid | continue | endif
  let s:file = bufname(s:e.bufnr)
  let s:at = '-'
  if filereadable(s:file) && s:e.lnum >= 1 && s:e.lnum <= len(readfile(s:file))
    execute 'silent cc ' . s:n
    let s:at = line('.') . ':' . col('.')
  endif
  call add(s:lines, join([s:file, s:e.lnum, s:e.col, get(s:kind, s:e.type, s:e.type), s:at], '|'))
endfor
call writefile(s:lines, s:out)
qall!
