# Windows: static linter.exe and linter-lsp.exe cross-built with MinGW-w64, and the golden
# cases and language server transcripts run under Wine.
.PHONY: windows wine-test

WINE ?= /usr/lib/wine/wine64
WINESERVER ?= /usr/lib/wine/wineserver
WINE_PREFIX ?= $(CURDIR)/build/wineprefix
WINDOWS_EXE := $(CURDIR)/build/windows/linter.exe
WINDOWS_LSP := $(CURDIR)/build/windows/linter-lsp.exe

windows:
	@scripts/install-deps.sh g++-mingw-w64-x86-64-posix
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows

# Headless and quiet: no display, no debug channels, no Mono/Gecko installers, no menu
# entries. A UTF-8 locale makes Wine pass non-ASCII arguments and file names intact.
# One persistent wineserver (with the services it starts) serves every case, which
# takes the cost of a case from seconds to a fraction of one; it stops when we stop,
# unless it was already running before. A first, throwaway run starts those services, so
# that no case pays for them or sees their messages.
wine-test: windows
	@scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64
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
	'$(WINE)' '$(WINDOWS_EXE)' </dev/null >/dev/null 2>&1; \
	pass=0; fail=0; \
	for dir in tests/cases/*/; do \
	  [ -d "$$dir" ] || continue; \
	  if log=$$(LINTER_PLATFORM=windows bash tests/run_case.sh '$(WINE)' '$(WINDOWS_EXE)' \
	      "$$dir" 2>&1); then \
	    pass=$$((pass + 1)); \
	  else \
	    fail=$$((fail + 1)); \
	    echo "FAIL $$(basename "$$dir")"; \
	    printf '%s\n' "$$log"; \
	  fi; \
	done; \
	for dir in tests/lsp/transcripts/*/; do \
	  [ -d "$$dir" ] || continue; \
	  if log=$$(bash tests/lsp/run_transcript.sh '$(WINE)' '$(WINDOWS_LSP)' "$$dir" 2>&1); then \
	    pass=$$((pass + 1)); \
	  else \
	    fail=$$((fail + 1)); \
	    echo "FAIL lsp $$(basename "$$dir")"; \
	    printf '%s\n' "$$log"; \
	  fi; \
	done; \
	echo "wine: $$pass passed, $$fail failed"; \
	[ $$fail -eq 0 ]
