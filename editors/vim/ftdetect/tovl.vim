" Vim filetype detection for TOVL scripts: a file named *.tovl gets the tovl syntax.
autocmd BufNewFile,BufRead *.tovl setfiletype tovl
