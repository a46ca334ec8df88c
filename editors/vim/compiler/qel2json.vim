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
" (W)ARNING, (N)OTE.  C counts bytes from 1, and a tab moves it to the next
" of columns 1, 9, 17, ...  Vim has no such column: it is read as a screen
" column (%v), right as long as the line holds only ASCII before the place,
" and each quickfix command that read the reports with this 'errorformat'
" turns it into the byte index Vim moves to (see s:ByteColumns()).  The file
" name may hold blanks, commas and quotes.  Other lines (the usage text,
" "cannot open FILE for reading") stay in the list as plain text.

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

" The 'errorformat' as set, to tell the lists read with it.
let s:errorformat = &errorformat

" The byte index in TEXT, a line as the buffer holds it, at which qel2json's
" COLUMN points: the index of the character whose bytes (or whose tab's
" stretch) hold COLUMN, or one past the last byte where COLUMN lies past the
" line's end (a string cut by the line end is reported there).  FENC is the
" encoding of the file where it differs from 'encoding' (a Latin-1 file
" has one byte for the two of "°" in the buffer); BOM the bytes of a byte
" order mark before the text, which qel2json counts on line 1.
function! s:ByteIndex(text, fenc, bom, column) abort
  let at = 1 + a:bom
  let i = 0
  let end = len(a:text)
  while i < end && at < a:column
    " printable ASCII: one byte, one column each, in any encoding
    let stop = match(a:text, '\m[^ -~]', i)
    let stop = stop < 0 ? end : stop
    if stop > i
      let step = min([stop - i, a:column - at])
      let i += step
      let at += step
      continue
    endif
    let size = byteidxcomp(strpart(a:text, i), 1)
    let size = size > 0 ? size : 1
    if a:text[i] ==# "\t"
      let next = at + 8 - (at - 1) % 8
    elseif a:fenc ==# ''
      let next = at + size
    else
      let next = at + len(iconv(strpart(a:text, i, size), &encoding, a:fenc))
    endif
    if next > a:column
      break
    endif
    let at = next
    let i += size
  endwhile
  return i + 1
endfunction

" Line LNUM of buffer BUFNR as [text as the buffer holds it, FENC, BOM] for
" s:ByteIndex(), or [] where there is none.  A buffer not loaded yet is read
" from its file (FILES keeps the lines read) the way Vim will load it with
" the default 'fileencodings': as UTF-8 where it is valid, as Latin-1
" where not.
function! s:Line(bufnr, lnum, files) abort
  if bufloaded(a:bufnr)
    let text = getbufline(a:bufnr, a:lnum)
    if empty(text)
      return []
    endif
    let fenc = getbufvar(a:bufnr, '&fileencoding')
    let fenc = fenc ==# &encoding ? '' : fenc
    let bom = a:lnum == 1 && getbufvar(a:bufnr, '&bomb') && (fenc ==# '' ? &encoding : fenc) ==# 'utf-8' ? 3 : 0
    return [text[0], fenc, bom]
  endif
  let lines = get(a:files, a:bufnr, [])
  if a:lnum > len(lines)
    return []
  endif
  let text = lines[a:lnum - 1]
  let bom = 0
  if a:lnum == 1 && strpart(text, 0, 3) ==# "\xef\xbb\xbf"
    let [text, bom] = [strpart(text, 3), 3]
  endif
  let text = substitute(text, '\r$', '', '')
  if &encoding ==# 'utf-8'
        \ && !empty(filter(split(text, '\zs'), 'len(v:val) == 1 && char2nr(v:val) > 127'))
    return [iconv(text, 'latin1', 'utf-8'), 'latin1', 0]
  endif
  return [text, '', bom]
endfunction

" After a quickfix command (the event's name in AMATCH) filled its list
" with this 'errorformat', makes each column that Vim still reads as a
" screen column a byte index, unless its file cannot be read: a column once
" converted has 'vcol' 0 and stays as it is when :caddfile adds to the list.
function! s:ByteColumns(amatch) abort
  if &errorformat !=# s:errorformat
    return
  endif
  let loclist = a:amatch =~# '^l'
  let what = {'items': 0, 'idx': 0}
  let list = loclist ? getloclist(0, what) : getqflist(what)
  let todo = filter(copy(list.items), 'v:val.valid && v:val.vcol && v:val.bufnr > 0 && v:val.lnum > 0 && v:val.col > 0')
  if empty(todo)
    return
  endif
  let last = {}
  for item in todo
    let last[item.bufnr] = max([get(last, item.bufnr, 0), item.lnum])
  endfor
  let files = {}
  for [bufnr, lnum] in items(last)
    let name = fnamemodify(bufname(str2nr(bufnr)), ':p')
    if !bufloaded(str2nr(bufnr)) && filereadable(name)
      let files[bufnr] = readfile(name, 'b', lnum)
    endif
  endfor
  let changed = 0
  for item in todo
    let line = s:Line(item.bufnr, item.lnum, files)
    if !empty(line)
      let item.col = s:ByteIndex(line[0], line[1], line[2], item.col)
      let item.vcol = 0
      let changed = 1
    endif
  endfor
  if changed
    let new = {'items': list.items, 'idx': list.idx}
    if loclist
      call setloclist(0, [], 'r', new)
    else
      call setqflist([], 'r', new)
    endif
  endif
endfunction

augroup qel2json_columns
  autocmd!
  autocmd QuickFixCmdPost make,cfile,cgetfile,caddfile,cbuffer,cgetbuffer,caddbuffer,cexpr,cgetexpr,caddexpr,lmake,lfile,lgetfile,laddfile,lbuffer,lgetbuffer,laddbuffer,lexpr,lgetexpr,laddexpr
        \ call s:ByteColumns(expand('<amatch>'))
augroup END

let &cpo = s:cpo_save
unlet s:cpo_save
