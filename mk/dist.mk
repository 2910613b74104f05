# Release files: the .deb and the tarball (CPack, from the static release build), the
# flat Windows zip (CPack, from the MinGW-w64 build), the VS Code extension packages, and
# SHA256SUMS over all of them, in dist/. `make dist-test` checks them unpacked.
.PHONY: dist dist-test dist-test-if-possible

DIST_DIR := dist
# The version is set once, in CMakeLists.txt's project().
VERSION := $(shell grep -m 1 -o 'linter VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)

dist: build vsix
	@rm -rf $(DIST_DIR)
	@mkdir -p $(DIST_DIR)
	@cd build/release && cpack -G "DEB;TGZ" > /dev/null
	@cd build/windows && cpack -G ZIP > /dev/null
	@cp build/release/bgt-linter_$(VERSION)_amd64.deb \
	  build/release/bgt-linter-$(VERSION)-linux-x86_64.tar.gz \
	  build/windows/bgt-linter-$(VERSION)-windows-x86_64.zip \
	  build/vsix/bgt-linter-linux-x64-$(VERSION).vsix \
	  build/vsix/bgt-linter-win32-x64-$(VERSION).vsix $(DIST_DIR)/
	@cd $(DIST_DIR) && sha256sum -- *.deb *.tar.gz *.zip *.vsix > SHA256SUMS
	@ls -l $(DIST_DIR)

dist-test: dist
	@WINE='$(WINE)' WINESERVER='$(WINESERVER)' WINEPREFIX='$(WINE_PREFIX)' scripts/with-wine.sh \
	  bash tests/dist/run.sh $(DIST_DIR) $(VERSION) '$(WINE)'

# In make test: the packages need the MinGW-w64 cross compiler, Wine, and npm for the
# extension's modules.
dist-test-if-possible:
	@if ! command -v npm >/dev/null; then \
	  echo "dist: skipped, npm is not installed (the extension packages need it)"; \
	elif ! scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64 >/dev/null 2>&1; then \
	  echo "dist: skipped, the MinGW-w64 and Wine packages cannot be installed here"; \
	else \
	  $(MAKE) --no-print-directory dist-test; \
	fi
