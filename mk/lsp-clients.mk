# linter-lsp under two clients written elsewhere: headless Neovim, and the protocol
# layer VS Code's client is built on, under Node. Both check what the server publishes
# against the command-line linter; neither builds anything. A client whose tools cannot
# be installed is skipped with one line saying why; a failing one fails the target.
.PHONY: lsp-clients-test

LSP_CLIENTS := tests/lsp/clients
LSP_CLIENTS_SERVER ?= build/release/linter-lsp
LSP_CLIENTS_LINTER ?= build/release/linter
LSP_CLIENTS_SCRIPT ?= examples/demo.bgt
LSP_CLIENTS_ARGS = $(abspath $(LSP_CLIENTS_SERVER)) $(abspath $(LSP_CLIENTS_LINTER)) \
  $(abspath $(LSP_CLIENTS_SCRIPT))

lsp-clients-test:
	@failed=0; \
	if log=$$(scripts/install-deps.sh neovim 2>&1); then \
	  $(LSP_CLIENTS)/run_nvim.sh $(LSP_CLIENTS_ARGS) || failed=1; \
	else \
	  echo "nvim: skipped, the neovim package cannot be installed:" \
	    "$$(printf '%s\n' "$$log" | grep -v '^[[:space:]]*$$' | tail -n 1)"; \
	fi; \
	if ! command -v node >/dev/null || ! command -v npm >/dev/null; then \
	  echo "node client: skipped, node or npm is not installed"; \
	elif log=$$(cd $(LSP_CLIENTS)/node && timeout 600 npm ci --prefer-offline --no-audit \
	    --no-fund --loglevel=error 2>&1); then \
	  (cd $(LSP_CLIENTS)/node && timeout -k 5 180 node test.js $(LSP_CLIENTS_ARGS)) || failed=1; \
	else \
	  echo "node client: skipped, npm ci failed:" \
	    "$$(printf '%s\n' "$$log" | grep -v '^[[:space:]]*$$' | head -n 1 | sed 's/^npm error //')"; \
	fi; \
	exit $$failed
