# Folder wrappers: tools/lint-all natively, and tools/lint-all.cmd under Wine where its
# packages can be installed. Assumes build/release/linter is built.
.PHONY: lint-all-test lint-all-wine-test

WINE ?= /usr/lib/wine/wine64
WINESERVER ?= /usr/lib/wine/wineserver
WINE_PREFIX ?= $(CURDIR)/build/wineprefix
WINDOWS_EXE := $(CURDIR)/build/windows/linter.exe

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

# The environment of wine-test (mk/windows.mk): one persistent wineserver, stopped at
# the end unless it was running before, and a first throwaway run for its services.
lint-all-wine-test: windows
	@export WINEPREFIX='$(WINE_PREFIX)' WINEDEBUG=-all DISPLAY= WAYLAND_DISPLAY= \
	  LC_ALL=C.UTF-8 WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe=d'; \
	mkdir -p "$$WINEPREFIX"; \
	started=0; \
	if '$(WINESERVER)' -p </dev/null >/dev/null 2>&1; then started=1; fi; \
	trap '[ $$started = 0 ] || '\''$(WINESERVER)'\'' -k' EXIT; \
	trap 'exit 130' INT TERM; \
	if [ ! -f "$$WINEPREFIX/.update-timestamp" ]; then \
	  echo "wine: preparing $$WINEPREFIX"; \
	  '$(WINE)' wineboot -i </dev/null >/dev/null 2>&1 || exit 1; \
	fi; \
	'$(WINE)' cmd /c exit </dev/null >/dev/null 2>&1; \
	bash tests/lint-all/run.sh --wine '$(WINE)' tools/lint-all.cmd '$(WINDOWS_EXE)'
