#!/usr/bin/env bash
# Runs one golden case: tests/cases/<name>/ (or a language server transcript,
# tests/lsp/transcripts/<name>/) holds the script(s), `args` (one argument a line; may
# be empty), `input` when something is sent on standard input (see tests/lsp/frame.py),
# and the expected `expected_stdout`, `expected_stderr` and `expected_status`. The
# program runs inside the case's folder, so report lines start with the plain file
# name. Usage: run_case.sh <program command...> <case-dir>
set -u
case_dir=${!#}
cmd=("${@:1:$#-1}")
# The command runs inside the case folder: anchor a relative path to where we are.
for k in "${!cmd[@]}"; do
  case ${cmd[$k]} in
    /*) ;;
    */*) [ -e "${cmd[$k]}" ] && cmd[$k]=$PWD/${cmd[$k]} ;;
  esac
done
cd "$case_dir" || exit 2

args=()
if [ -f args ]; then
  while IFS= read -r line || [ -n "$line" ]; do args+=("$line"); done < args
fi

input=/dev/null
[ -f input ] && input=input

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# A program that stops reading or never ends must not hang the suite.
timeout 120 "${cmd[@]}" "${args[@]}" < "$input" > "$tmp/stdout" 2> "$tmp/stderr"
echo $? > "$tmp/status"

# A platform may word system errors differently; a .<platform> file then takes over.
expected() {
  if [ -n "${LINTER_PLATFORM:-}" ] && [ -f "$1.$LINTER_PLATFORM" ]; then echo "$1.$LINTER_PLATFORM"; else echo "$1"; fi
}

fail=0
for stream in stdout stderr status; do
  want=$(expected "expected_$stream")
  if [ ! -f "$want" ]; then
    echo "missing $case_dir/$want"
    fail=1
  elif ! cmp -s "$want" "$tmp/$stream"; then
    echo "--- $stream differs (expected vs actual):"
    diff -a "$want" "$tmp/$stream" | head -40
    fail=1
  fi
done
exit $fail
