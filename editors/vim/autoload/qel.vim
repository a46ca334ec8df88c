" Vim autoload file for qel descriptions: formatting through qel2json-format
" (set up by ftplugin/qel.vim as :QelFormat and as 'formatexpr' for gq).
"
" A description has one layout as a whole, so the whole buffer is formatted,
" whatever lines gq was given.  The program reads the buffer on standard
" input and writes the formatted text on standard output, its diagnostics on
" standard error.  Only a run that ends with status 0 changes the buffer, so
" a description with an ERROR (status 1), a missing program or any other
" failure leaves it as it was: the diagnostics go to the quickfix list
" instead, never into the text as a plain filter (:%!, 'formatprg') would
" put them.

let s:cpo_save = &cpo
set cpo&vim

" The program: g:qel2json_format_program, or qel2json-format on PATH.
function! s:Program() abort
  return get(g:, 'qel2json_format_program', 'qel2json-format')
endfunction

" LINES converted from encoding FROM to TO, where the two differ and TO is
" set.
function! s:Recoded(lines, from, to) abort
  if a:to ==# '' || a:from ==# a:to
    return a:lines
  endif
  return map(copy(a:lines), {_, line -> iconv(line, a:from, a:to)})
endfunction

" The buffer's text as its file will hold it: in its 'fileencoding', with
" its byte order mark, every line ending in a line feed.  The program reads
" what qel2json would read, and its columns count the same bytes as those
" of :make, which the compiler plugin converts.
function! s:FileText(lines) abort
  let text = s:Recoded(a:lines + [''], &encoding, &l:fileencoding)
  if &l:bomb && (&l:fileencoding ==# '' ? &encoding : &l:fileencoding) ==# 'utf-8'
    let text[0] = "\xef\xbb\xbf" . text[0]
  endif
  return text
endfunction

" How many characters that are no white space (blanks, tabs, carriage
" returns) stand before the cursor: what formatting leaves alone, so that
" the cursor can go back to the same character of the same token.
function! s:TokenPlace() abort
  let before = getline(1, line('.') - 1) + [strpart(getline('.'), 0, col('.') - 1)]
  return strchars(substitute(join(before, ''), '[[:space:]]', '', 'g'))
endfunction

" Puts the cursor on the character after PLACE characters that are no white
" space.
function! s:GoToTokenPlace(place) abort
  let left = a:place
  for lnum in range(1, line('$'))
    let line = getline(lnum)
    let here = strchars(substitute(line, '[[:space:]]', '', 'g'))
    if here > left
      call cursor(lnum, matchend(line, '^\%([[:space:]]*[^[:space:]]\)\{' . left . '}[[:space:]]*') + 1)
      return
    endif
    let left -= here
  endfor
  call cursor(line('$'), col([line('$'), '$']))
endfunction

" Replaces the buffer's lines OLD with NEW, touching only the lines between
" those both begin and end with, so that marks and folds elsewhere stay.
function! s:Replace(old, new) abort
  let shorter = min([len(a:old), len(a:new)])
  let head = 0
  while head < shorter && a:old[head] ==# a:new[head]
    let head += 1
  endwhile
  let tail = 0
  while tail < shorter - head && a:old[-1 - tail] ==# a:new[-1 - tail]
    let tail += 1
  endwhile
  let gone = len(a:old) - head - tail
  let come = a:new[head : len(a:new) - tail - 1]
  let both = min([gone, len(come)])
  if both > 0
    call setline(head + 1, come[: both - 1])
  endif
  if gone > both
    silent execute (head + both + 1) . ',' . (head + gone) . 'delete _'
  elseif len(come) > both
    call append(head + both, come[both :])
  endif
endfunction

" The program's diagnostics, in the file ERRORS, to the quickfix list,
" naming this buffer's file rather than standard input.  Read with
" :cgetfile, which takes the compiler's 'errorformat' set for the buffer
" (:cgetexpr would take the global one), and whose QuickFixCmdPost
" autocommand then makes their columns byte indexes.  Returns what to show:
" the first diagnostic without its file name.
function! s:Report(errors) abort
  let stdin = '"stdin", line '
  let name = '"' . expand('%:p') . '", line '
  let lines = map(filereadable(a:errors) ? readfile(a:errors) : [], {_, line -> stridx(line, stdin) == 0 ? name . line[len(stdin) :] : line})
  call writefile(lines, a:errors)
  execute 'cgetfile ' . fnameescape(a:errors)
  call setqflist([], 'a', {'title': 'qel2json-format'})
  let first = get(lines, 0, 'no diagnostics')
  return (stridx(first, name) == 0 ? 'line ' . first[len(name) :] : first)
        \ . (len(lines) > 1 ? ' (:copen lists all ' . len(lines) . ')' : '')
endfunction

" Formats the whole buffer (see the top of this file).
function! qel#Format() abort
  let program = s:Program()
  if !executable(program)
    echohl ErrorMsg | echomsg 'qel2json-format: ' . program . ' not found' | echohl None
    return
  endif
  let fenc = &l:fileencoding
  let errors = tempname()
  let old = getline(1, '$')
  let out = systemlist(shellescape(program) . ' - 2>' . shellescape(errors), s:FileText(old))
  let status = v:shell_error
  let why = status == 0 ? '' : s:Report(errors)
  call delete(errors)
  if status != 0
    echohl WarningMsg | echomsg 'Not formatted, status ' . status . ': ' . why | echohl None
    return
  endif
  let new = s:Recoded(out, fenc, &encoding)
  if new ==# old
    return
  endif
  let place = s:TokenPlace()
  call s:Replace(old, new)
  call s:GoToTokenPlace(place)
endfunction

" 'formatexpr': gq formats the whole buffer; in Insert mode, where a long
" line is wrapped as it is typed, Vim's own formatting goes on (non-zero).
function! qel#FormatExpr() abort
  if mode() =~# '[iR]'
    return 1
  endif
  call qel#Format()
  return 0
endfunction

let &cpo = s:cpo_save
unlet s:cpo_save
