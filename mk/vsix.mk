# VS Code extension packages, one a platform: editors/vscode with that platform's
# linter-lsp and the LICENSE, as build/vsix/bgt-linter-<target>-<version>.vsix, each
# checked by tests/vsix/check.sh. Needs Node.js 20 or later with npm.
.PHONY: vsix

VSIX_DIR := build/vsix
VSIX_SOURCE := editors/vscode
VSIX_VERSION = $(shell node -p 'require("./$(VSIX_SOURCE)/package.json").version')

# $(1): vsce's target, $(2): the server binary, $(3): the platform check.sh takes.
# The stage is a copy so that the binary, LICENSE and node_modules never land in
# editors/vscode; stdin is closed so that any question from vsce fails instead of waiting.
define vsix_package
	@rm -rf $(VSIX_DIR)/stage-$(1)
	@mkdir -p $(VSIX_DIR)/stage-$(1)/server
	@tar -C $(VSIX_SOURCE) --exclude=./node_modules --exclude='*.vsix' -cf - . \
	  | tar -C $(VSIX_DIR)/stage-$(1) -xf -
	@cp $(2) $(VSIX_DIR)/stage-$(1)/server/
	@chmod 755 $(VSIX_DIR)/stage-$(1)/server/$(notdir $(2))
	@cp LICENSE $(VSIX_DIR)/stage-$(1)/LICENSE
	@cp -R $(VSIX_DIR)/npm/node_modules $(VSIX_DIR)/stage-$(1)/
	@cd $(VSIX_DIR)/stage-$(1) && npx --no -- vsce package --target $(1) \
	  --allow-missing-repository --out ../bgt-linter-$(1)-$(VSIX_VERSION).vsix </dev/null
	@tests/vsix/check.sh $(VSIX_DIR)/bgt-linter-$(1)-$(VSIX_VERSION).vsix $(3)
endef

vsix: deps
	@command -v npm >/dev/null || { echo "vsix: needs Node.js 20 or later with npm" >&2; exit 1; }
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target linter-lsp
	@$(MAKE) --no-print-directory windows
	@rm -rf $(VSIX_DIR)
	@mkdir -p $(VSIX_DIR)/npm
	@cp $(VSIX_SOURCE)/package.json $(VSIX_SOURCE)/package-lock.json $(VSIX_SOURCE)/.npmrc \
	  $(VSIX_DIR)/npm/
# One install serves both stages. No install scripts: the runtime modules have none, and
# vsce's optional keychain module would try to download a prebuilt binary.
	@cd $(VSIX_DIR)/npm && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error
	$(call vsix_package,linux-x64,build/release/linter-lsp,linux)
	$(call vsix_package,win32-x64,build/windows/linter-lsp.exe,windows)
	@ls -l $(VSIX_DIR)/*.vsix
