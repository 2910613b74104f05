#!/usr/bin/env bash
# Every golden case against linter.exe and every language server transcript against
# linter-lsp.exe, under Wine (run inside scripts/with-wine.sh). A platform's own wording
# of system errors is in expected_*.windows files.
# Usage: tests/windows.sh <wine> <linter.exe> <linter-lsp.exe>
set -u
wine=$1
root=$(cd "$(dirname "$0")/.." && pwd)
pass=0
fail=0
run() {  # <exe> <case folder>
  local log
  if log=$(LINTER_PLATFORM=windows bash "$root/tests/run_case.sh" "$wine" "$1" "$2" 2>&1); then
    pass=$((pass + 1))
  else
    fail=$((fail + 1))
    echo "FAIL $(basename "$2")"
    printf '%s\n' "$log"
  fi
}
for dir in "$root"/tests/cases/*/; do run "$2" "$dir"; done
for dir in "$root"/tests/lsp/transcripts/*/; do run "$3" "$dir"; done
echo "wine: $pass passed, $fail failed"
[ $fail = 0 ]
