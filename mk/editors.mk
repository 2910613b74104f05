# The editor and CI files against real output (tests/editors/run.sh); assumes the
# release build. Vim's compiler file runs under Neovim when lsp-clients-test has
# installed it.
.PHONY: editors-test

editors-test:
	@bash tests/editors/run.sh build/release/linter tools/lint-all
