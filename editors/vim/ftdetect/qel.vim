" System descriptions translated by qel2json.
autocmd BufRead,BufNewFile *.qel setfiletype qel
