#!/usr/bin/env bash
# Runs one language server transcript: tests/lsp/transcripts/<name>/ holds `input`
# (the bytes sent to the server, see frame.py), optional `args` (one argument a line)
# and the expected `expected_stdout`, `expected_stderr` and `expected_status`.
# Usage: run_transcript.sh <server command...> <case-dir>
set -u
case_dir=${!#}
cmd=("${@:1:$#-1}")

args=()
if [ -f "$case_dir/args" ]; then
  while IFS= read -r line || [ -n "$line" ]; do args+=("$line"); done < "$case_dir/args"
fi
input=/dev/null
[ -f "$case_dir/input" ] && input=$case_dir/input

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# A server that stops reading or never ends must not hang the suite.
timeout 60 "${cmd[@]}" "${args[@]}" < "$input" > "$tmp/stdout" 2> "$tmp/stderr"
echo $? > "$tmp/status"

fail=0
for stream in stdout stderr status; do
  want=$case_dir/expected_$stream
  if [ ! -f "$want" ]; then
    echo "missing $want"
    fail=1
  elif ! cmp -s "$want" "$tmp/$stream"; then
    echo "--- $stream differs (expected vs actual):"
    diff -a "$want" "$tmp/$stream" | head -40
    fail=1
  fi
done
exit $fail
