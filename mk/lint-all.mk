# Folder wrappers: tools/lint-all natively, and tools/lint-all.cmd under Wine where its
# packages can be installed. Assumes build/release/linter is built.
.PHONY: lint-all-test lint-all-wine-test

lint-all-test:
	@bash tests/lint-all/run.sh tools/lint-all build/release/linter
	@if ! log=$$(scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64 2>&1); then \
	  echo "lint-all.cmd: skipped, the MinGW-w64 and Wine packages cannot be installed here"; \
	elif ! command -v script >/dev/null; then \
	  echo "lint-all.cmd: skipped, script(1) is missing (util-linux), which gives Wine's cmd a console"; \
	else \
	  [ -z "$$log" ] || printf '%s\n' "$$log"; \
	  $(MAKE) --no-print-directory lint-all-wine-test; \
	fi

lint-all-wine-test: windows
	@WINE='$(WINE)' WINESERVER='$(WINESERVER)' WINEPREFIX='$(WINE_PREFIX)' scripts/with-wine.sh \
	  bash tests/lint-all/run.sh --wine '$(WINE)' tools/lint-all.cmd '$(WINDOWS_EXE)'
