" Vim compiler file for BGT scripts: `:compiler bgt`, then `:make` lints the current
" file and fills the quickfix list (`:copen`, `:cnext`). For a whole folder,
" `:setlocal makeprg=lint-all` lints every *.bgt under the current directory, with the
" lexical warnings too.
if exists('current_compiler')
  finish
endif
let current_compiler = 'bgt'

if exists(':CompilerSet') != 2
  command -nargs=* CompilerSet setlocal <args>
endif

let s:cpo_save = &cpo
set cpo&vim

CompilerSet makeprg=linter\ %:S
" Warnings, lint-all's unreadable files, and nothing else (the count line, notes).
CompilerSet errorformat=%f:%l:\ warning:\ %m,%f:\ error:\ %m,%-G%.%#

let &cpo = s:cpo_save
unlet s:cpo_save
