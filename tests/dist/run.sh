#!/usr/bin/env bash
# Checks the release files made by `make dist`, each unpacked into a folder of its own
# (nothing is installed): checksums, the .deb's fields and files, and the golden cases,
# language server transcripts and folder wrapper run with the executables found in each
# package; the Windows zip's under Wine, with the environment of mk/windows.mk.
# Usage: tests/dist/run.sh <dist-folder> <version> <wine or "">
set -u
dist=$(cd "$1" && pwd)
version=$2
wine=${3:-}
root=$(cd "$(dirname "$0")/../.." && pwd)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $1"; }
check() {  # <name> <command...>: a check that passes when the command does
  local name=$1
  shift
  if "$@" > "$tmp/log" 2>&1; then pass; else fail "$name"; sed 's/^/  /' "$tmp/log" | head -20; fi
}

deb=bgt-linter_${version}_amd64.deb
tarball=bgt-linter-${version}-linux-x86_64.tar.gz
zip=bgt-linter-${version}-windows-x86_64.zip
vsix_linux=bgt-linter-linux-x64-${version}.vsix
vsix_windows=bgt-linter-win32-x64-${version}.vsix

# The checksums cover every file, and every file is listed.
check "sha256sum -c" bash -c "cd '$dist' && sha256sum -c --quiet SHA256SUMS"
listed=$(cut -d' ' -f3- "$dist/SHA256SUMS" | sed 's/^\*//' | sort | tr '\n' ' ')
want=$(printf '%s\n' "$deb" "$tarball" "$zip" "$vsix_linux" "$vsix_windows" | sort | tr '\n' ' ')
check "SHA256SUMS lists the five packages" test "$listed" = "$want"

# Every golden case with one linter; every transcript with one linter-lsp.
golden() {  # <linter command...>
  local dir bad=0
  for dir in "$root"/tests/cases/*/; do
    bash "$root/tests/run_case.sh" "$@" "$dir" > /dev/null 2>&1 || { echo "case $(basename "$dir")"; bad=1; }
  done
  return $bad
}
transcripts() {  # <linter-lsp command...>
  local dir bad=0
  for dir in "$root"/tests/lsp/transcripts/*/; do
    bash "$root/tests/run_case.sh" "$@" "$dir" > /dev/null 2>&1 || { echo "transcript $(basename "$dir")"; bad=1; }
  done
  return $bad
}
static() {  # <executable>: needs no shared library
  ! LC_ALL=C ldd "$1" > /dev/null 2>&1
}

# The .deb: its fields, its files, and the programs in it.
field() { dpkg-deb --field "$dist/$deb" "$1"; }
check "deb Package" test "$(field Package)" = bgt-linter
check "deb Version" test "$(field Version)" = "$version"
check "deb Architecture" test "$(field Architecture)" = amd64
check "deb Maintainer" test -n "$(field Maintainer)"
check "deb Section" test "$(field Section)" = devel
check "deb Description" test -n "$(field Description)"
check "deb Depends" test -z "$(field Depends)"
mkdir "$tmp/deb"
dpkg-deb -x "$dist/$deb" "$tmp/deb"
for f in usr/bin/linter usr/bin/linter-lsp usr/bin/lint-all; do check "deb $f" test -x "$tmp/deb/$f"; done
for f in README.md LICENSE; do check "deb doc $f" test -f "$tmp/deb/usr/share/doc/bgt-linter/$f"; done
check "deb linter is static" static "$tmp/deb/usr/bin/linter"
check "deb linter-lsp is static" static "$tmp/deb/usr/bin/linter-lsp"
check "deb golden cases" golden "$tmp/deb/usr/bin/linter"
check "deb transcripts" transcripts "$tmp/deb/usr/bin/linter-lsp"
check "deb lint-all" bash "$root/tests/lint-all/run.sh" "$tmp/deb/usr/bin/lint-all" "$tmp/deb/usr/bin/linter"

# The tarball: one folder named after it, with bin/ and share/doc/bgt-linter/.
mkdir "$tmp/tar"
tar -xzf "$dist/$tarball" -C "$tmp/tar"
top=$tmp/tar/bgt-linter-${version}-linux-x86_64
check "tarball folder" test "$(ls "$tmp/tar")" = "bgt-linter-${version}-linux-x86_64"
for f in bin/linter bin/linter-lsp bin/lint-all; do check "tarball $f" test -x "$top/$f"; done
for f in README.md LICENSE; do check "tarball doc $f" test -f "$top/share/doc/bgt-linter/$f"; done
check "tarball golden cases" golden "$top/bin/linter"
check "tarball transcripts" transcripts "$top/bin/linter-lsp"
check "tarball lint-all" bash "$root/tests/lint-all/run.sh" "$top/bin/lint-all" "$top/bin/linter"
check "tarball --version" test "$("$top/bin/linter-lsp" --version)" = "linter-lsp $version"

# The zip: flat, five files, the Windows programs run under Wine.
mkdir "$tmp/zip"
python3 -c "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])" \
  "$dist/$zip" "$tmp/zip"
chmod +x "$tmp/zip"/*.exe  # a zip keeps no execute bit; Windows asks for none
check "zip is flat with the five files" test \
  "$(cd "$tmp/zip" && ls -A | sort | tr '\n' ' ')" = "LICENSE README.md lint-all.cmd linter-lsp.exe linter.exe "
for exe in linter.exe linter-lsp.exe; do
  check "zip $exe has its version" bash -c \
    "strings -el '$tmp/zip/$exe' | grep -A1 -x ProductVersion | tail -n 1 | grep -qx '$version'"
  check "zip $exe says what it is" bash -c "strings -el '$tmp/zip/$exe' | grep -qx FileDescription"
done
if [ -n "$wine" ]; then
  check "zip golden cases (Wine)" env LINTER_PLATFORM=windows bash -c \
    "$(declare -f golden); root='$root'; golden '$wine' '$tmp/zip/linter.exe'"
  check "zip transcripts (Wine)" transcripts "$wine" "$tmp/zip/linter-lsp.exe"
  check "zip lint-all.cmd (Wine)" bash "$root/tests/lint-all/run.sh" --wine "$wine" \
    "$tmp/zip/lint-all.cmd" "$tmp/zip/linter.exe"
else
  echo "zip under Wine: skipped, no Wine here"
fi

# The extension packages, with the checks make vsix runs.
check "vsix linux" bash "$root/tests/vsix/check.sh" "$dist/$vsix_linux" linux
check "vsix windows" bash "$root/tests/vsix/check.sh" "$dist/$vsix_windows" windows

echo "dist: $passed passed, $failed failed"
[ "$failed" = 0 ]
