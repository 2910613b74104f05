#!/usr/bin/env bash
# End-to-end checks of the folder wrappers on a game folder built here: nested folders,
# blanks and non-ASCII in names, a Windows-1252 file, lexical warnings only, a clean
# file, an unreadable one, an empty folder, the linter lookup and bad usage.
#
#   run.sh <lint-all> <linter>                       tools/lint-all, natively
#   run.sh --wine <wine> <lint-all.cmd> <linter.exe> tools/lint-all.cmd under Wine
#
# Both modes hold the wrapper to the same expected output. For the .cmd, \ in its
# output reads as /, and every line must end in CR LF, which is then dropped; the
# linter.exe words a directory it cannot open as Windows does. Wine mode expects
# WINEPREFIX and the rest of the environment of mk/windows.mk, with a wineserver up.
set -u

wine=
if [ "${1:-}" = --wine ]; then
  wine=$2
  shift 2
fi
if [ $# -ne 2 ]; then
  echo "usage: $0 [--wine WINE] <lint-all> <linter>" >&2
  exit 2
fi
abs() { case $1 in /*) printf '%s\n' "$1" ;; *) printf '%s\n' "$PWD/$1" ;; esac; }
wrapper=$(abs "$1")
linter=$(abs "$2")
[ -f "$wrapper" ] || { echo "no wrapper at $wrapper" >&2; exit 2; }
[ -x "$linter" ] || { echo "no linter at $linter" >&2; exit 2; }

tmp=$(mktemp -d)
cleanup() {
  chmod -R u+rwx "$tmp" 2>/dev/null
  # Wine's FOR /F leaves a CMD*.tmp in the prefix's TEMP for each command it runs.
  [ -z "$wine" ] || find "$WINEPREFIX/drive_c/users" -path '*/Temp/CMD*.tmp' \
    -newer "$tmp/started" -delete 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
cd "$tmp" || exit 2
touch started

if [ -n "$wine" ]; then
  exe=linter.exe
  wrapper_name=lint-all.cmd
else
  exe=linter
  wrapper_name=lint-all
fi
# The wrapper with the linter next to it, the wrapper alone, and a decoy linter on
# PATH that must lose to the one next to the wrapper.
mkdir bin alone decoy
cp "$wrapper" "bin/$wrapper_name"
cp "$linter" "bin/$exe"
cp "$wrapper" "alone/$wrapper_name"
if [ -n "$wine" ]; then
  # Any other program will do as long as it prints something else.
  cp "$WINEPREFIX/drive_c/windows/system32/hostname.exe" "decoy/$exe"
else
  printf '#!/bin/sh\necho "decoy:1: warning: wrong linter"\n' > "decoy/$exe"
fi
chmod +x bin/* alone/* decoy/*
mkdir linterdir
cp "$linter" "linterdir/$exe"

# --- The game folder -------------------------------------------------------------
mkdir -p game/sub/deep "game/ü dir" game/.git game/notes game/empty
bgt() { printf '%b' "$2" > "game/$1"; }
bgt main.bgt 'int f(int a) {\n\treturn 1;\n}\nvoid main() {\n\tint lives = 3;\n\tf(1);\n}\n'
bgt clean.bgt 'void main() {\n}\n'
bgt lexical.bgt 'void main() {\n}\n$\n`\n'
bgt 'with blank.bgt' 'void main() {\n\tint x;\n}\n'
bgt latin1.bgt 'void main() {\n\tstring s = "caf\xe9";\n}\n'
bgt UPPER.BGT 'void main() {\n\tint64 t;\n}\n'
bgt 'ü dir/é x.bgt' 'void main() {\n\tint y;\n}\n'
bgt 'ü dir/z.bgt' 'void main() {\n}\n'
bgt sub/B.bgt 'int g;\nvoid main() {\n}\n'
bgt sub/a-b.bgt 'void main() {\n}\n'
bgt sub/a1.bgt 'void main() {\n}\n'
bgt 'sub/a&b (1).bgt' 'void main() {\n\tint q;\n}\n'
bgt sub/deep/a_b.bgt 'void main() {\n\tint d;\n\td = 1;\n}\n'
# Not ours: other extensions, a name that only starts like one, dot names.
bgt notes/readme.txt 'int x;\n'
bgt c.bgtx 'int x;\n'
bgt .hidden.bgt 'int x;\n'
bgt .git/x.bgt 'int x;\n'

# The linter cannot read locked.bgt: no read permission, or, for root, who reads
# anything, a directory of that name.
if [ "$(id -u)" -eq 0 ]; then
  mkdir game/locked.bgt
  locked='Is a directory'
  [ -n "$wine" ] && locked='Permission denied'
else
  bgt locked.bgt 'void main() {\n}\n'
  chmod 000 game/locked.bgt
  locked='Permission denied'
fi
note='note: the file is not saved as UTF-8; save it as UTF-8 (in Notepad: File > Save As > Encoding: UTF-8) or convert it with iconv -f WINDOWS-1252 -t UTF-8'

# Folders with one kind of file each, for the summary and the status.
mkdir -p only/clean only/lexical only/unreadable only/empty
cp game/clean.bgt only/clean/
cp game/lexical.bgt only/lexical/
cp game/latin1.bgt only/unreadable/

# --- Running the wrapper ---------------------------------------------------------
# run <dir> <bin> [args...]: runs the wrapper in <bin> from <dir>; leaves out, err
# and status.
run() {
  local dir=$1 cmd=$2/$wrapper_name
  shift 2
  rm -f out err status out.raw err.raw
  if [ -z "$wine" ]; then
    (cd "$dir" && "$tmp/$cmd" "$@") > out 2> err < /dev/null
    echo $? > status
    return
  fi
  # Wine's cmd has a console, and so a code page CHCP can set, only when its input
  # is a terminal: script(1) gives it one. The output goes to files, not to it.
  local win=${cmd//\//\\}
  {
    printf 'cd %q || exit 2\n' "$dir"
    printf '%q cmd /c %q' "$wine" "$(printf 'Z:%s' "${tmp//\//\\}\\$win")"
    [ $# -eq 0 ] || printf ' %q' "$@"
    printf ' > %q 2> %q\necho $? > %q\n' "$tmp/out.raw" "$tmp/err.raw" "$tmp/status"
  } > wine-run.sh
  script -qec "bash '$tmp/wine-run.sh'" /dev/null < /dev/null > /dev/null 2>&1
  crlf_only out.raw out && crlf_only err.raw err
}
# Every line of the .cmd ends in CR LF; the rest must be what tools/lint-all prints.
crlf_only() {
  if LC_ALL=C grep -q $'[^\r]$' "$1" || { [ -s "$1" ] && [ "$(tail -c1 "$1" | od -An -c | tr -d ' ')" != '\n' ]; }; then
    echo "a line of $1 does not end in CR LF:" >> crlf.log
    od -c "$1" | head -5 >> crlf.log
  fi
  sed 's/\r$//' "$1" | tr '\\' / > "$2"
}

pass=0
fail=0
# expect <name> <status> <stdout> [<stderr>]
expect() {
  local name=$1 want_status=$2 ok=1
  printf '%s' "$3" > want.out
  printf '%s' "${4:-}" > want.err
  if [ "$(cat status)" != "$want_status" ]; then
    echo "--- status $(cat status), expected $want_status"
    ok=0
  fi
  if ! cmp -s want.out out; then
    echo '--- stdout differs (expected vs actual):'
    diff want.out out | head -30
    ok=0
  fi
  if ! cmp -s want.err err; then
    echo '--- stderr differs (expected vs actual):'
    diff want.err err | head -10
    ok=0
  fi
  if [ -s crlf.log ]; then
    cat crlf.log
    rm crlf.log
    ok=0
  fi
  if [ $ok = 1 ]; then
    pass=$((pass + 1))
  else
    fail=$((fail + 1))
    echo "FAIL $name"
  fi
}

# --- The whole folder ------------------------------------------------------------
# Order: a folder's own entries, then its subfolders; names by byte with letters as
# upper case (so "a&b (1)" < "a-b" < "a1" < "B"), non-ASCII after ASCII.
report() {  # report <prefix>
  local p=$1
  cat <<EOF
${p}latin1.bgt: error: stream did not contain valid UTF-8
${p}latin1.bgt: $note
${p}lexical.bgt:3: warning: unknown character '\$'
${p}lexical.bgt:4: warning: unknown character '\`'
${p}locked.bgt: error: $locked
${p}main.bgt:1: warning: [f] Parameter 'a' is never read
${p}main.bgt:5: warning: [main] Unused variable 'lives'
${p}UPPER.BGT:2: warning: [main] use of int64: 64-bit integers are broken in BGT; a wrapper class is required
${p}UPPER.BGT:2: warning: [main] Unused variable 't'
${p}with blank.bgt:2: warning: [main] Unused variable 'x'
${p}sub/a&b (1).bgt:2: warning: [main] Unused variable 'q'
${p}sub/B.bgt:1: warning: [global] Unused variable 'g'
${p}sub/deep/a_b.bgt:2: warning: [main] Variable 'd' is written but never read
${p}ü dir/é x.bgt:2: warning: [main] Unused variable 'y'
12 files checked, 11 warnings, 2 files could not be read
EOF
}

run . bin game
expect 'folder argument' 1 "$(report game/)
"
run . bin game/
expect 'trailing slash' 1 "$(report game/)
"
run game bin
expect 'current folder' 1 "$(report '')
"
run . bin game/sub
expect 'subfolder' 1 "game/sub/a&b (1).bgt:2: warning: [main] Unused variable 'q'
game/sub/B.bgt:1: warning: [global] Unused variable 'g'
game/sub/deep/a_b.bgt:2: warning: [main] Variable 'd' is written but never read
5 files checked, 3 warnings, 0 files could not be read
"

# An absolute folder; on Windows with a drive, whose colon the .cmd must step over
# to find the line number in the linter's lines.
if [ -n "$wine" ]; then
  run . bin "Z:${tmp//\//\\}\\game\\sub"
  abs_prefix="Z:$tmp/game/sub/"
else
  run . bin "$tmp/game/sub"
  abs_prefix="$tmp/game/sub/"
fi
expect 'absolute folder' 1 "${abs_prefix}a&b (1).bgt:2: warning: [main] Unused variable 'q'
${abs_prefix}B.bgt:1: warning: [global] Unused variable 'g'
${abs_prefix}deep/a_b.bgt:2: warning: [main] Variable 'd' is written but never read
5 files checked, 3 warnings, 0 files could not be read
"

# --- Summary wording and status --------------------------------------------------
run . bin only/empty
expect 'empty folder' 0 '0 files checked, 0 warnings, 0 files could not be read
'
run . bin game/notes
expect 'no *.bgt' 0 '0 files checked, 0 warnings, 0 files could not be read
'
run . bin only/clean
expect 'clean file' 0 '1 file checked, 0 warnings, 0 files could not be read
'
run . bin only/lexical
expect 'lexical warnings count' 1 "only/lexical/lexical.bgt:3: warning: unknown character '\$'
only/lexical/lexical.bgt:4: warning: unknown character '\`'
1 file checked, 2 warnings, 0 files could not be read
"
run . bin only/unreadable
expect 'unreadable file counts' 1 "only/unreadable/latin1.bgt: error: stream did not contain valid UTF-8
only/unreadable/latin1.bgt: $note
0 files checked, 0 warnings, 1 file could not be read
"

# --- Which linter ----------------------------------------------------------------
with_path() {  # with_path <dir or ''> run ...: PATH (WINEPATH under Wine) holds <dir>
  local dir=$1
  shift
  if [ -n "$wine" ]; then
    WINEPATH=${dir:+Z:${tmp//\//\\}\\$dir} "$@"
  else
    PATH=${dir:+$tmp/$dir:}/usr/bin:/bin "$@"
  fi
}
with_path decoy run . bin only/clean
expect 'the linter next to the wrapper comes first' 0 '1 file checked, 0 warnings, 0 files could not be read
'
with_path linterdir run . alone only/lexical
expect 'else the one on PATH' 1 "only/lexical/lexical.bgt:3: warning: unknown character '\$'
only/lexical/lexical.bgt:4: warning: unknown character '\`'
1 file checked, 2 warnings, 0 files could not be read
"
with_path '' run . alone only/clean
status=$(cat status)
if [ "$status" = 2 ] && [ ! -s out ] && grep -q 'no linter found' err; then
  pass=$((pass + 1))
else
  fail=$((fail + 1))
  echo "FAIL no linter: status $status, stdout $(wc -c < out) bytes, stderr: $(cat err)"
fi

# --- Bad usage -------------------------------------------------------------------
run . bin game only
expect 'two arguments' 2 '' 'usage: lint-all [FOLDER]
'
run . bin missing
expect 'missing folder' 2 '' 'lint-all: no such folder: missing
'
run . bin game/clean.bgt
expect 'a file for a folder' 2 '' 'lint-all: no such folder: game/clean.bgt
'

# --- Native only -----------------------------------------------------------------
# Wine's cmd expands % and ! again inside the values it expands, and reads FOR /F
# output as Latin-1; Windows does neither, so these are left to the native run.
if [ -z "$wine" ]; then
  mkdir -p odd
  printf 'void main() {\n\tint x;\n}\n' > 'odd/100% $(echo no) !x!.bgt'
  printf 'void main() {\n\tint ñandú;\n}\n' > odd/-dash.bgt
  printf 'void main() {\n}\n' > 'odd/line
break.bgt'
  run odd bin
  expect 'odd names, non-ASCII message' 1 "-dash.bgt:2: warning: [main] Unused variable 'ñandú'
100% \$(echo no) !x!.bgt:2: warning: [main] Unused variable 'x'
2 files checked, 2 warnings, 0 files could not be read
" 'lint-all: skipped, line break in name: ./line
break.bgt
'
fi

echo "lint-all${wine:+ (Wine)}: $pass passed, $fail failed"
[ $fail -eq 0 ]
