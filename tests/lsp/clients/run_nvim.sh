#!/usr/bin/env bash
# Headless Neovim as linter-lsp's client, checked against the command-line linter.
# Usage: run_nvim.sh <linter-lsp> <linter> <script.bgt>
set -euo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 <linter-lsp> <linter> <script.bgt>" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
abs() { (cd "$(dirname "$1")" && printf '%s/%s\n' "$(pwd)" "$(basename "$1")"); }
server=$(abs "$1")
linter=$(abs "$2")
for f in "$server" "$linter"; do
  [ -x "$f" ] || { echo "nvim: FAILED, $f is not an executable" >&2; exit 1; }
done
[ -f "$3" ] || { echo "nvim: FAILED, no script $3" >&2; exit 1; }
command -v nvim >/dev/null || { echo "nvim: FAILED, nvim is not installed" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/linter-lsp-nvim.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The test edits its buffer; the original stays as it is.
cp "$3" "$work/script.bgt"

# No user configuration, shada or swap file; Neovim's own files (its LSP log among
# them) go to the scratch folder. The test's waits have their own limits; this one
# is for Neovim itself hanging.
status=0
HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" \
LINTER_LSP="$server" LINTER="$linter" SCRIPT="$work/script.bgt" SCRIPT_SOURCE="$3" WORK="$work" \
  timeout -k 5 90 nvim --headless --clean -n -i NONE \
    -c "luafile $(printf '%q' "$here/nvim_check.lua")" </dev/null || status=$?
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
  echo "nvim: FAILED, Neovim did not finish within 90 s" >&2
fi
# The log has more than its opening line when the client saw errors or the server
# wrote on standard error.
log="$work/cache/nvim/lsp.log"
if [ "$status" -ne 0 ] && [ -f "$log" ] && [ "$(wc -l <"$log")" -gt 1 ]; then
  echo "nvim: the end of Neovim's LSP log:" >&2
  tail -n 20 "$log" | cut -c1-400 >&2
fi
exit "$status"
