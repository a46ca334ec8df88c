" Opens a description with the Vim files on 'runtimepath' and writes its
" filetype and makeprg, then every highlighted piece as line|text|group.
"   vim -N -u NONE -i NONE -n -es --cmd "let g:args = [PLUGIN_DIR, FILE, OUT]" -S vim_highlight.vim
let [s:plugin, s:file, s:out] = g:args
let &runtimepath = s:plugin . ',' . &runtimepath
filetype plugin on
syntax on
execute 'edit ' . fnameescape(s:file)
let s:lines = ['filetype=' . &filetype, 'makeprg=' . &makeprg]
for s:l in range(1, line('$'))
  let s:text = getline(s:l)
  let s:c = 0
  while s:c < len(s:text)
    let s:group = synIDattr(synID(s:l, s:c + 1, 1), 'name')
    let s:end = s:c + 1
    while s:end < len(s:text) && synIDattr(synID(s:l, s:end + 1, 1), 'name') ==# s:group
      let s:end += 1
    endwhile
    let s:piece = s:text[s:c : s:end - 1]
    if s:group !=# '' || s:piece =~ '\S'
      call add(s:lines, join([s:l, s:piece, s:group ==# '' ? '-' : s:group], '|'))
    endif
    let s:c = s:end
  endwhile
endfor
call writefile(s:lines, s:out)
qall!
