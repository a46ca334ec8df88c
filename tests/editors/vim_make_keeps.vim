" :make must never replace a good FILE.json with an empty one: translates
" a good description, then the same file made so faulty that the run ends
" DEADLY, and writes what FILE.json holds after each run and whether a
" FILE.json.new was left behind.
"   vim -N -u NONE -i NONE -n -es --cmd "let g:args = [PLUGIN_DIR, GOOD, DEADLY, OUT]" -S vim_make_keeps.vim
let [s:plugin, s:good, s:deadly, s:out] = g:args
let &runtimepath = s:plugin . ',' . &runtimepath
filetype plugin on
let s:lines = []
call writefile(readfile(s:good, 'b'), 'keep me.qel', 'b')
edit keep\ me.qel
for s:source in [s:good, s:deadly]
  call writefile(readfile(s:source, 'b'), 'keep me.qel', 'b')
  edit!
  silent make
  let s:json = filereadable('keep me.json') ? readfile('keep me.json', 'b') : []
  call add(s:lines, fnamemodify(s:source, ':t') . ': keep me.json has ' . len(s:json) . ' lines, starts with '
        \ . string(get(s:json, 0, '')) . ', ' . len(getqflist()) . ' reports, leftover .new: '
        \ . filereadable('keep me.json.new'))
endfor
call writefile(s:lines, s:out)
qall!
