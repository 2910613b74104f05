#!/usr/bin/env bash
# Hostile inputs, generated at run time: huge or degenerate scripts, broken UTF-8, odd
# paths and a standard output that cannot be written. Checks status, exact output where
# it is known, and peak memory. Usage: run.sh <linter binary>
# Under AddressSanitizer (ASAN=1, or detected in the binary) the memory bound triples;
# HOSTILE_SCALE=<divisor> shrinks every size.
set -u
[ $# -ge 1 ] || { echo "usage: $0 <linter binary>" >&2; exit 2; }
bin=$(realpath "$1")
[ -x "$bin" ] || { echo "hostile: no executable at $1" >&2; exit 2; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 2

asan=${ASAN:-0}
grep -qa __asan_init "$bin" && asan=1
# Full sizes take about 10 s in a release build and 20 to 80 s under ASan on 2 cores.
if [ "$asan" = 1 ]; then mem_factor=3; limit_s=300; else mem_factor=1; limit_s=60; fi
scale=${HOSTILE_SCALE:-1}
big() { echo $(($1 / scale)); }
mem_limit_kb=$((400 * 1024 * mem_factor))

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok   $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1: $2"; }

# run <stdout-file> <stderr-file> args...: sets $status and $peak_kb (0 when unknown).
run() {
  local o=$1 e=$2
  shift 2
  rm -f peak
  if [ -x /usr/bin/time ]; then
    timeout "$limit_s" /usr/bin/time -f %M -o peak "$bin" "$@" > "$o" 2> "$e"
    status=$?
  else
    timeout "$limit_s" python3 -c '
import resource, subprocess, sys
r = subprocess.call(sys.argv[2:])
open(sys.argv[1], "w").write("%d\n" % resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
sys.exit(r if r >= 0 else 128 - r)' peak "$bin" "$@" > "$o" 2> "$e"
    status=$?
  fi
  peak_kb=$(tail -n 1 peak 2>/dev/null | tr -dc 0-9)
  peak_kb=${peak_kb:-0}
}

# expect <name> <status> <expected stdout file> <expected stderr file>: compares the
# last run; "-" skips a stream. Also checks the memory bound.
expect() {
  local name=$1 want_status=$2 want_out=$3 want_err=$4
  if [ "$status" = 124 ]; then fail "$name" "timed out after ${limit_s}s"; return; fi
  if [ "$status" != "$want_status" ]; then
    fail "$name" "status $status, expected $want_status; stderr: $(head -c 300 err)"
    return
  fi
  if [ "$want_out" != - ] && ! cmp -s "$want_out" out; then
    fail "$name" "stdout differs: $(head -c 200 out | od -c | head -5)"
    return
  fi
  if [ "$want_err" != - ] && ! cmp -s "$want_err" err; then
    fail "$name" "stderr differs: $(head -c 200 err | od -c | head -5)"
    return
  fi
  if [ "$peak_kb" -gt "$mem_limit_kb" ]; then
    fail "$name" "peak memory ${peak_kb} KB above ${mem_limit_kb} KB"
    return
  fi
  pass "$name ($((peak_kb / 1024)) MB)"
}

printf 'No warnings.\n' > no_warnings
: > empty

n_open=$(big 1000000)    # braces, parentheses
n_dbg=$(big 200000)      # braces traced with --debug
n_nul=$(big 10485760)    # NUL bytes
n_body=$(big 150000)     # lines around broken UTF-8
n_rep=$(big 250000)      # lines of 40 tokens
n_lines=$(big 1000000)   # lines of an open comment
n_for=$(big 100000)      # unclosed for headers

# Every input and every long expected output, in one interpreter start.
python3 - "$n_open" "$n_dbg" "$n_body" "$n_rep" "$n_lines" "$n_for" <<'PY' || exit 2
import sys
n_open, n_dbg, n_body, n_rep, n_lines, n_for = map(int, sys.argv[1:])

def put(name, data):
    with open(name, 'wb') as f:
        f.write(data.encode() if isinstance(data, str) else data)

def fnv(s):
    h = 0x811C9DC5
    for b in s.encode():
        h = ((h ^ b) * 0x01000193) & 0xFFFFFFFF
    return '%08x' % h

put('open.bgt', '{' * n_open)
put('open_dbg.bgt', '{' * n_dbg)
put('open_dbg_err', '=== IMPLEMENTATIONS ===\n=== INTERFACES ===\n=== END ===\n'
    '=== SCOPE TRACE ===\n'
    + ''.join('line    1  PUSH Block  depth=%d  ctx=1dff06ae  sync=%d/%d\n' % (d, d, d)
              for d in range(1, n_dbg + 1))
    + '=== END SCOPE TRACE ===\n\n')
put('close.bgt', '}' * n_open)
put('close_decl.bgt', '}' * n_open + '\nint lone;\n')

body = b'x++;\n' * n_body
for name, data in [
    ('bad_first_byte', b'\xff' + body),
    ('bad_middle', body + b'\xc3\x28' + body),
    ('bad_last_byte', body + b'\x80'),
    ('cut_4byte_at_end', body + b'\xf0\x9f\x98'),
    ('cut_3byte_at_end', body + b'\xe2\x82'),
    ('cut_2byte_at_end', body + b'\xc3'),
    ('overlong_middle', body + b'\xc0\xaf' + body),
    ('surrogate_middle', body + b'\xed\xa0\x80' + body),
    ('above_max_middle', body + b'\xf4\x90\x80\x80' + body),
]:
    put(name + '.bgt', data)
put('full_4byte.bgt', b'int x;\n' + b'x = 1;\n' * n_body + '\U0001F600'.encode())

n = 'a' * (1 << 20)
put('long.bgt', 'int ' + n + ';\n')
put('long_want', "long.bgt:1: warning: [global] Unused variable '" + n + "'\n\n1 warning(s)\n")
put('long_dbg_want', "long.bgt:1: warning: [1dff06ae] Unused variable '%s'\n\n1 warning(s)\n"
    % fnv(n))
# Used, and a near twin that differs only in its last byte: names compare in full.
m = 'b' * (1 << 20)
put('twin.bgt', 'int ' + m + 'x;\nint ' + m + 'y;\n' + m + 'x++;\n')
put('twin_want', "twin.bgt:2: warning: [global] Unused variable '" + m + "y'\n\n1 warning(s)\n")

# Every role a name can play, with names just below and above 64 KiB.
roles = [
    (1, "[IFACE] Unused member function: 'METH'"),
    (3, "[KLASS] Member variable 'MEMB' is written but never read"),
    (4, "[KLASS] Unused member function: 'METH'"),
    (5, "[KLASS::OTHER] Unused variable 'LOCAL'"),
    (5, "[KLASS::OTHER] Parameter 'PARAM' is never read"),
    (5, "[KLASS] Unused member function: 'OTHER'"),
    (6, "[KLASS] Unused member function: '~KLASS'"),
    (8, "[FUNC] use of int64: 64-bit integers are broken in BGT; a wrapper class is required"),
    (8, "[FUNC] Unused variable 'GLOB'"),
    (8, "[global] Unused function 'FUNC'"),
    (9, "[global] Unused variable 'GLOB2'"),
    (10, "[global] Unused variable 'S'"),
]
script = (
    'interface IFACE { void METH(); }\n'
    'class KLASS : IFACE {\n'
    '  int MEMB;\n'
    '  void METH() { MEMB = 1; }\n'
    '  void OTHER(int PARAM) { int LOCAL; }\n'
    '  ~KLASS() {}\n'
    '}\n'
    'void FUNC(KLASS@ OBJ) { OBJ.MEMB2 = 1; int64 GLOB = 2; }\n'
    'KLASS GLOB2;\n'
    'string S = "STR";\n'
    '#include"STR"\n')
words = ['GLOB2', 'MEMB2', 'IFACE', 'KLASS', 'OTHER', 'PARAM', 'LOCAL', 'METH', 'MEMB',
         'FUNC', 'GLOB', 'OBJ', 'STR', 'S']
import re
for size in (65535, 65536):
    long = {w: w + 'q' * (size - len(w)) for w in words}
    sub = lambda t: re.sub('|'.join(words), lambda m: long[m.group(0)], t)
    put('roles%d.bgt' % size, sub(script))
    plain, debug = [], []
    for line, msg in roles:
        ctx, rest = msg[1:].split('] ', 1)
        plain.append('roles%d.bgt:%d: warning: [%s] %s\n' % (size, line, sub(ctx), sub(rest)))
        hashed = re.sub("'([^']*)'", lambda m: "'" + fnv(sub(m.group(1))) + "'", rest)
        dctx = sub(ctx) if rest.startswith('use of') else fnv(sub(ctx))
        debug.append('roles%d.bgt:%d: warning: [%s] %s\n' % (size, line, dctx, hashed))
    tail = '\n%d warning(s)\n' % len(roles)
    put('roles%d_want' % size, ''.join(plain) + tail)
    put('roles%d_dbg_want' % size, ''.join(debug) + tail)

put('tokens.bgt', 'int x;\n' + ('x=1;' * 10 + '\n') * n_rep)
put('comment.bgt', '/*' + '\n' * n_lines)
put('for_open.bgt', 'for(' * n_for)
# A hierarchy n_for classes deep, every class reading the root's member: each read must
# not walk the whole chain again.
put('deep.bgt', 'class C0 { int a; }\n' + ''.join(
    'class C%d : C%d { int f() { return a; } }\n' % (i, i - 1) for i in range(1, n_for)))
put('deep_want', ''.join("deep.bgt:%d: warning: [C%d] Unused member function: 'f'\n" % (i + 1, i)
                         for i in range(1, n_for)) + '\n%d warning(s)\n' % (n_for - 1))
put('parens.bgt', 'void f(int a = ' + '(' * n_open)
put('w.bgt', 'int x;\n')
put('many.bgt', ''.join('int v%d;\n' % k for k in range(20000)))
# 8 MB whatever the scale: its tokens alone need more than the limit it runs under.
put('oom.bgt', 'int x;\n' + ('x=1;' * 10 + '\n') * 200000)
PY

# --- Deep and unbalanced braces ------------------------------------------------------
run out err open.bgt
expect "nested_open_braces_$n_open" 0 no_warnings empty

# The last push shows the full depth, and scopes stay in step with frames.
run out err open_dbg.bgt --debug
expect "nested_open_braces_debug_$n_dbg" 0 no_warnings open_dbg_err

# Stray closing braces are passed over: nothing is traced, nothing closes.
run out err close.bgt
expect "only_close_braces_$n_open" 0 no_warnings empty
printf '=== IMPLEMENTATIONS ===\n=== INTERFACES ===\n=== END ===\n=== SCOPE TRACE ===\n=== END SCOPE TRACE ===\n\n' > want_err
run out err close.bgt --debug
expect "only_close_braces_debug" 0 no_warnings want_err

# A global after a flood of stray braces is still reported under "global".
run out err close_decl.bgt
printf "close_decl.bgt:2: warning: [global] Unused variable 'lone'\n\n1 warning(s)\n" > want_out
expect "close_braces_then_global" 0 want_out empty

# --- NUL bytes: valid UTF-8, one unknown-character warning each ------------------------
head -c "$n_nul" /dev/zero > nul.bgt
rm -f peak
# 40 bytes of stderr per NUL: counted through uniq rather than stored.
if [ -x /usr/bin/time ]; then
  timeout "$limit_s" /usr/bin/time -f %M -o peak "$bin" nul.bgt 2>&1 > out | LC_ALL=C uniq -c > err
  status=${PIPESTATUS[0]}
else
  timeout "$limit_s" "$bin" nul.bgt 2>&1 > out | LC_ALL=C uniq -c > err
  status=${PIPESTATUS[0]}
fi
peak_kb=$(tail -n 1 peak 2>/dev/null | tr -dc 0-9)
peak_kb=${peak_kb:-0}
printf "%7d Warning [line 1]: unknown character '\\0'\n" "$n_nul" > want_err
expect "nul_bytes_$n_nul" 0 no_warnings want_err

# --- Invalid UTF-8 anywhere rejects the whole file -----------------------------------
for name in bad_first_byte bad_middle bad_last_byte cut_4byte_at_end cut_3byte_at_end \
            cut_2byte_at_end overlong_middle surrogate_middle above_max_middle; do
  run out err "$name.bgt"
  printf "Error reading '%s': stream did not contain valid UTF-8\n" "$name.bgt" > want_err
  expect "utf8_$name" 1 empty want_err
done
# A complete 4-byte character as the last one is valid: one unknown character.
run out err full_4byte.bgt
printf "full_4byte.bgt:1: warning: [global] Variable 'x' is written but never read\n\n1 warning(s)\n" > want_out
printf "Warning [line %d]: unknown character '\360\237\230\200'\n" $((n_body + 2)) > want_err
expect "utf8_complete_4byte_at_end" 0 want_out want_err

# --- Paths ---------------------------------------------------------------------------
mkdir -p dir.bgt
run out err dir.bgt
if [ "$(uname -s)" = Linux ]; then
  printf "Error reading 'dir.bgt': Is a directory\n" > want_err
  expect "directory_as_file" 1 empty want_err
elif [ "$status" = 1 ] && [ ! -s out ] && [ "$(wc -l < err)" = 1 ] &&
     grep -q "^Error reading 'dir.bgt': ." err; then
  pass "directory_as_file"
else
  fail "directory_as_file" "status $status, stderr: $(head -c 200 err)"
fi

mkdir -p "ü dir"
p="ü dir/é x, y.bgt"
printf 'int q;\nvoid größe(int a) {}\n' > "$p"
run out err "$p"
printf "%s:1: warning: [global] Unused variable 'q'\n%s:2: warning: [größe] Parameter 'a' is never read\n%s:2: warning: [global] Unused function 'größe'\n\n3 warning(s)\n" "$p" "$p" "$p" > want_out
expect "non_ascii_path_with_spaces" 0 want_out empty
run out err "ü dir/nö such.bgt"
printf "Error reading 'ü dir/nö such.bgt': No such file or directory\n" > want_err
expect "non_ascii_missing_path" 1 empty want_err

# --- Identifiers of 1 MiB ------------------------------------------------------------
run out err long.bgt
expect "identifier_1mib_unused" 0 long_want empty
run out err long.bgt --debug
expect "identifier_1mib_unused_debug" 0 long_dbg_want -
run out err twin.bgt
expect "identifier_1mib_twins" 0 twin_want empty

for size in 65535 65536; do
  run out err "roles$size.bgt"
  expect "identifier_${size}_bytes_every_role" 0 "roles${size}_want" empty
  run out err "roles$size.bgt" --debug
  expect "identifier_${size}_bytes_every_role_debug" 0 "roles${size}_dbg_want" -
done

# --- Ten million tokens and other long scans -----------------------------------------
run out err tokens.bgt
printf "tokens.bgt:1: warning: [global] Variable 'x' is written but never read\n\n1 warning(s)\n" > want_out
expect "tokens_$((n_rep * 40 + 3))" 0 want_out empty

# Read from a pipe, whose size the system does not tell: past the first megabyte the
# text must arrive whole, as it does from the file.
if [ -e /dev/stdin ]; then
  "$bin" tokens.bgt > want_out 2> want_err
  "$bin" /dev/stdin < <(cat tokens.bgt) > out 2> err; status=$?
  sed 's|^tokens\.bgt:|/dev/stdin:|' want_out > want_pipe_out
  peak_kb=0
  expect "script_through_a_pipe" 0 want_pipe_out want_err
fi

# A comment left open over many lines: its final line feed is not counted.
run out err comment.bgt
printf 'Warning [line %d]: unterminated block comment\n' "$n_lines" > want_err
expect "unterminated_comment_${n_lines}_lines" 0 no_warnings want_err

# Headers that never close: each scan runs to the end of the tokens.
run out err for_open.bgt
expect "unclosed_for_headers_$n_for" 0 no_warnings empty
run out err parens.bgt
printf "parens.bgt:1: warning: [f] Parameter 'a' is never read\nparens.bgt:1: warning: [global] Unused function 'f'\n\n2 warning(s)\n" > want_out
expect "unclosed_default_value" 0 want_out empty
run out err deep.bgt
expect "inheritance_${n_for}_deep" 0 deep_want empty

# --- Standard output that cannot be written ------------------------------------------
out_err() {  # <name> <expected strerror text>: checks status and stderr of the last run
  printf 'Error writing to standard output: %s\n' "$2" > want_err
  if [ "$status" = 1 ] && cmp -s want_err err; then pass "$1"
  else fail "$1" "status $status, stderr: $(head -c 200 err)"; fi
}
if [ -w /dev/full ]; then
  "$bin" w.bgt > /dev/full 2> err; status=$?
  out_err "dev_full_warnings" "No space left on device"
  "$bin" empty > /dev/full 2> err; status=$?
  out_err "dev_full_no_warnings" "No space left on device"
  # Past the output buffer: the write fails before the end, and is reported once.
  "$bin" many.bgt > /dev/full 2> err; status=$?
  out_err "dev_full_large_report" "No space left on device"
fi
"$bin" w.bgt >&- 2> err; status=$?
out_err "closed_stdout" "Bad file descriptor"
"$bin" many.bgt 2> err | true; status=${PIPESTATUS[0]}
out_err "reader_gone" "Broken pipe"

# --- Too little memory ----------------------------------------------------------------
# Under a limit on address space the run fails with one line, not an abort. Sanitizers
# reserve terabytes of address space, so they cannot run under such a limit.
if [ "$asan" != 1 ]; then
  (ulimit -v 32768 && exec "$bin" oom.bgt) > out 2> err; status=$?
  printf "Error: not enough memory to lint 'oom.bgt'\n" > want_err
  if [ "$status" = 1 ] && cmp -s want_err err && cmp -s empty out; then pass "out_of_memory"
  else fail "out_of_memory" "status $status, stderr: $(head -c 200 err)"; fi
fi

echo "hostile: $passed passed, $failed failed"
[ "$failed" = 0 ]
