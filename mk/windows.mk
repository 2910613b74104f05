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

wine-test: windows
	@scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64
	@WINE='$(WINE)' WINESERVER='$(WINESERVER)' WINEPREFIX='$(WINE_PREFIX)' scripts/with-wine.sh \
	  bash tests/windows.sh '$(WINE)' '$(WINDOWS_EXE)' '$(WINDOWS_LSP)'
