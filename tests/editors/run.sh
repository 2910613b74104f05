#!/usr/bin/env bash
# The editor and CI files in editors/ and .pre-commit-hooks.yaml against real output:
# each file parses, each pattern takes file, line and message from lint-all's and the
# linter's lines (also with Windows paths), and Vim's compiler file (under headless
# Neovim, when it is installed) fills the quickfix list with them.
# Usage: tests/editors/run.sh <linter> <lint-all>
set -u
linter=$(realpath "$1")
lint_all=$(realpath "$2")
root=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

mkdir -p "$tmp/bin" "$tmp/game/sub dir"
cp "$linter" "$lint_all" "$tmp/bin/"
printf 'int a;\n$\n' > "$tmp/game/main.bgt"
printf 'void f(int p) { }\n' > "$tmp/game/sub dir/b.bgt"
printf 'caf\xe9;\n' > "$tmp/game/latin1.bgt"
(cd "$tmp" && PATH="$tmp/bin:$PATH" lint-all game > folder.txt)
(cd "$tmp/game" && "$linter" main.bgt > ../file.txt 2> /dev/null)

fail=0
python3 - "$root" "$tmp" <<'PY' || fail=1
import json, re, sys
root, tmp = sys.argv[1:3]
problems = []

tasks = json.load(open(f"{root}/editors/vscode-tasks/tasks.json"))
github = json.load(open(f"{root}/editors/github/bgt-linter.json"))
try:
    import yaml
    hooks = yaml.safe_load(open(f"{root}/.pre-commit-hooks.yaml"))
    if hooks[0]["entry"] != "lint-all" or hooks[0]["pass_filenames"] is not False:
        problems.append("pre-commit hook: entry lint-all, pass_filenames false")
except ImportError:
    print("editors: .pre-commit-hooks.yaml not parsed, no PyYAML here")

def patterns(matchers):
    for m in matchers if isinstance(matchers, list) else [matchers]:
        pattern = m["pattern"]
        for p in pattern if isinstance(pattern, list) else [pattern]:
            yield m.get("severity"), p

vscode = []
for task in tasks["tasks"]:
    for severity, p in patterns(task["problemMatcher"]):
        if task["problemMatcher"] and severity is None:
            problems.append(f"{task['label']}: a matcher without severity")
        vscode.append((severity, p))
gh = list(patterns(github["problemMatcher"]))

def parse(pats, line):
    for severity, p in pats:
        m = re.match(p["regexp"], line)
        if m:
            return (severity, m.group(p["file"]),
                    m.group(p["line"]) if "line" in p else None, m.group(p["message"]))
    return None

want = {
    "game/main.bgt:1: warning: [global] Unused variable 'a'":
        ("warning", "game/main.bgt", "1", "[global] Unused variable 'a'"),
    "game/main.bgt:2: warning: unknown character '$'":
        ("warning", "game/main.bgt", "2", "unknown character '$'"),
    "game/sub dir/b.bgt:1: warning: [f] Parameter 'p' is never read":
        ("warning", "game/sub dir/b.bgt", "1", "[f] Parameter 'p' is never read"),
    "game/latin1.bgt: error: stream did not contain valid UTF-8":
        ("error", "game/latin1.bgt", None, "stream did not contain valid UTF-8"),
    r"C:\Games\My Game\main.bgt:12: warning: [Rock] Unused member variable: 'damage'":
        ("warning", r"C:\Games\My Game\main.bgt", "12", "[Rock] Unused member variable: 'damage'"),
}
seen = open(f"{tmp}/folder.txt").read().splitlines()
for line in list(want):
    if not line.startswith("C:") and line not in seen:
        problems.append(f"lint-all did not print: {line}")
for name, pats in (("tasks.json", vscode), ("GitHub matcher", gh)):
    for line, expect in want.items():
        got = parse(pats, line)
        if got != expect:
            problems.append(f"{name}: {line!r} gave {got}, not {expect}")
    for line in seen:
        if line.endswith("could not be read") or ": note: " in line:
            if parse(pats, line) and ": error: " not in line:
                problems.append(f"{name}: took the line {line!r}")
for line in open(f"{tmp}/file.txt").read().splitlines():
    if ": warning: " in line and parse(vscode, line) is None:
        problems.append(f"tasks.json: the linter's {line!r} not taken")

for p in problems:
    print("FAIL", p)
sys.exit(1 if problems else 0)
PY

if command -v nvim > /dev/null; then
  # :make with the compiler file on main.bgt, then lint-all on the folder.
  (cd "$tmp/game" && PATH="$tmp/bin:$PATH" timeout 60 nvim --headless -u NONE -i NONE \
    --cmd "set rtp^=$root/editors/vim" -c 'compiler bgt' -c 'silent make' \
    -c 'call writefile(map(getqflist(), {_, e -> bufname(e.bufnr) . ":" . e.lnum . ":" . e.text}), "../qf-file.txt")' \
    -c 'setlocal makeprg=lint-all' -c 'silent make' \
    -c 'call writefile(map(getqflist(), {_, e -> bufname(e.bufnr) . ":" . e.lnum . ":" . e.text}), "../qf-folder.txt")' \
    -c 'qa!' main.bgt > /dev/null 2>&1)
  printf "main.bgt:1:[global] Unused variable 'a'\n" > "$tmp/want-file.txt"
  printf "%s\n" "latin1.bgt:0:stream did not contain valid UTF-8" \
    "main.bgt:2:unknown character '\$'" "main.bgt:1:[global] Unused variable 'a'" \
    "sub dir/b.bgt:1:[f] Parameter 'p' is never read" \
    "sub dir/b.bgt:1:[global] Unused function 'f'" > "$tmp/want-folder.txt"
  for which in file folder; do
    if ! cmp -s "$tmp/want-$which.txt" "$tmp/qf-$which.txt"; then
      echo "FAIL vim compiler, $which: quickfix list differs (expected vs actual):"
      diff "$tmp/want-$which.txt" "$tmp/qf-$which.txt" 2>&1 | head -10
      fail=1
    fi
  done
else
  echo "editors: Vim's compiler file not run, no nvim here"
fi

[ $fail = 0 ] && echo "editors: ok"
exit $fail
