#!/usr/bin/env bash
# Standard output and standard error sent to one file keep the program's own order:
# lexical warnings and dumps first, the report last. Usage: run.sh <linter>
set -u
linter=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 2

# Enough warnings that the report overflows the output buffer several times over.
{
  printf '?\n'
  for i in $(seq 1 20000); do printf 'int unused_%d;\n' "$i"; done
  printf '$\n'
} > a.bgt

fail=0
"$linter" a.bgt > both 2>&1
lines=$(wc -l < both)
first=$(sed -n 1p both)
second=$(sed -n 2p both)
third=$(sed -n 3p both)
last=$(tail -n 1 both)
[ "$first" = "Warning [line 1]: unknown character '?'" ] || { echo "line 1: $first"; fail=1; }
[ "$second" = "Warning [line 20002]: unknown character '\$'" ] || { echo "line 2: $second"; fail=1; }
[ "$third" = "a.bgt:2: warning: [global] Unused variable 'unused_1'" ] || { echo "line 3: $third"; fail=1; }
[ "$last" = "20000 warning(s)" ] || { echo "last: $last"; fail=1; }
[ "$lines" -eq 20004 ] || { echo "lines: $lines"; fail=1; }

# With --debug every dump comes before the report.
"$linter" a.bgt --debug > both 2>&1
report_at=$(grep -n '^a.bgt:2: warning' both | cut -d: -f1)
trace_end=$(grep -n '^=== END SCOPE TRACE ===$' both | cut -d: -f1)
[ -n "$report_at" ] && [ -n "$trace_end" ] && [ "$trace_end" -lt "$report_at" ] ||
  { echo "dumps not before the report ($trace_end, $report_at)"; fail=1; }

[ $fail -eq 0 ] && echo "streams: 1 passed, 0 failed" || echo "streams: 0 passed, 1 failed"
exit $fail
