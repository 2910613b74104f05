#!/usr/bin/env bash
# Checks a VS Code extension package made by `make vsix`: its manifest and target, the
# server binary for the platform (executable, of the right format, static), every
# runtime module the extension needs and nothing only the build needs. Then the
# extension is activated from the unpacked package (tests/vsix/activate.js), which also
# starts the packaged server and reads its diagnostics: the Linux one on Linux, the
# Windows one under Wine where Wine is installed (WINE names another wine64).
# Usage: tests/vsix/check.sh <file.vsix> <linux|windows>
set -euo pipefail

if [ $# -ne 2 ] || { [ "$2" != linux ] && [ "$2" != windows ]; }; then
  echo "Usage: $0 <file.vsix> <linux|windows>" >&2
  exit 2
fi
vsix=$1
platform=$2
here=$(cd "$(dirname "$0")" && pwd)

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT

# The structure, and an unpacked copy with the modes the zip records, as VS Code keeps them.
python3 - "$vsix" "$platform" "$unpacked" <<'EOF'
import json, os, re, struct, sys, zipfile
import xml.etree.ElementTree as ET

vsix, platform, out = sys.argv[1:4]
problems = []

def fail(text):
    problems.append(text)

try:
    archive = zipfile.ZipFile(vsix)
except (OSError, zipfile.BadZipFile) as e:
    sys.exit(f"check: {vsix}: not a readable zip: {e}")
if archive.testzip() is not None:
    sys.exit(f"check: {vsix}: a member is corrupt: {archive.testzip()}")
names = set(archive.namelist())
modes = {i.filename: (i.external_attr >> 16) & 0o7777 for i in archive.infolist()}

for required in ("[Content_Types].xml", "extension.vsixmanifest", "extension/package.json",
                 "extension/extension.js", "extension/language-configuration.json",
                 "extension/node_modules/vscode-languageclient/package.json"):
    if required not in names:
        fail(f"missing {required}")
if not names & {"extension/LICENSE.txt", "extension/LICENSE"}:
    fail("missing the LICENSE")
if not any(n.lower() == "extension/readme.md" for n in names):
    fail("missing the README")
if problems:
    sys.exit("\n".join(f"check: {vsix}: {p}" for p in problems))

package = json.loads(archive.read("extension/package.json"))
target = {"linux": "linux-x64", "windows": "win32-x64"}[platform]
identity = None
for element in ET.fromstring(archive.read("extension.vsixmanifest")).iter():
    if element.tag.endswith("Identity"):
        identity = element.attrib
if identity is None:
    fail("the manifest has no Identity")
else:
    if identity.get("TargetPlatform") != target:
        fail(f"target platform {identity.get('TargetPlatform')!r}, expected {target!r}")
    for key, want in (("Id", package.get("name")), ("Version", package.get("version")),
                      ("Publisher", package.get("publisher"))):
        if identity.get(key) != want:
            fail(f"manifest {key} {identity.get(key)!r} differs from package.json's {want!r}")
expected_name = f"{package.get('name')}-{target}-{package.get('version')}.vsix"
if os.path.basename(vsix) != expected_name:
    fail(f"file name {os.path.basename(vsix)!r}, expected {expected_name!r}")
main = os.path.normpath(os.path.join("extension", package.get("main", "")))
if main not in names and main + ".js" not in names:
    fail(f"main {package.get('main')!r} is not in the package")
languages = package.get("contributes", {}).get("languages", [])
if not any(l.get("id") == "bgt" and ".bgt" in l.get("extensions", []) for l in languages):
    fail("no bgt language for .bgt files")
for name, version in {**package.get("dependencies", {}),
                      **package.get("devDependencies", {})}.items():
    if not re.fullmatch(r"\d+\.\d+\.\d+", version):
        fail(f"{name} is not pinned to one version: {version!r}")

# The server: only this platform's, executable where that is kept, and self-contained.
binary, other = (("linter-lsp", "linter-lsp.exe") if platform == "linux"
                 else ("linter-lsp.exe", "linter-lsp"))
server = f"extension/server/{binary}"
if server not in names:
    fail(f"missing {server}")
else:
    data = archive.read(server)
    if platform == "linux":
        if modes[server] & 0o755 != 0o755:
            fail(f"{server} has mode {modes[server]:o}, not executable by all")
        if data[:4] != b"\x7fELF" or data[4] != 2 or struct.unpack_from("<H", data, 18)[0] != 0x3E:
            fail(f"{server} is not a 64-bit x86-64 ELF executable")
        else:
            phoff, = struct.unpack_from("<Q", data, 32)
            phentsize, phnum = struct.unpack_from("<HH", data, 54)
            types = [struct.unpack_from("<I", data, phoff + k * phentsize)[0] for k in range(phnum)]
            if 3 in types:  # PT_INTERP: a dynamic loader, so shared libraries too
                fail(f"{server} is linked dynamically")
    else:
        pe = struct.unpack_from("<I", data, 0x3C)[0] if data[:2] == b"MZ" else None
        if pe is None or data[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<H", data, pe + 4)[0] != 0x8664:
            fail(f"{server} is not an x86-64 Windows executable")
        for dll in (b"libstdc++-6.dll", b"libgcc_s_seh-1.dll", b"libwinpthread-1.dll"):
            if dll.lower() in data.lower():
                fail(f"{server} needs {dll.decode()}")
if f"extension/server/{other}" in names:
    fail(f"extension/server/{other} is for the other platform")

# Everything else: the files the extension reads and the runtime modules, no more.
allowed = {"[Content_Types].xml", "extension.vsixmanifest", "extension/package.json",
           "extension/extension.js", "extension/language-configuration.json",
           "extension/LICENSE.txt", "extension/LICENSE", server}
for name in sorted(names):
    if name in allowed or name.lower() == "extension/readme.md" or name.endswith("/"):
        continue
    if not name.startswith("extension/node_modules/"):
        fail(f"{name} should not be packaged")

# Each runtime dependency found the way Node looks for it, from its dependent's folder up.
def package_json(folder):
    return json.loads(archive.read(f"{folder}/package.json"))

def resolve(name, folder):
    while True:
        candidate = f"{folder}/node_modules/{name}"
        if f"{candidate}/package.json" in names:
            return candidate
        if folder == "extension":
            return None
        folder = folder.rsplit("/node_modules/", 1)[0]

needed = {}
todo = [("extension", package.get("dependencies", {}))]
while todo:
    folder, dependencies = todo.pop()
    for name in dependencies:
        found = resolve(name, folder)
        if found is None:
            fail(f"{name}, needed by {folder}, is not packaged")
        elif found not in needed:
            needed[found] = package_json(found)
            todo.append((found, needed[found].get("dependencies", {})))
client = needed.get("extension/node_modules/vscode-languageclient")
pinned = package.get("dependencies", {}).get("vscode-languageclient")
if client and client.get("version") != pinned:
    fail(f"vscode-languageclient {client.get('version')} is packaged, {pinned} is pinned")
def module_of(name):
    start = name.rindex("/node_modules/") + len("/node_modules/")
    parts = name[start:].split("/")
    return name[:start] + "/".join(parts[:2 if parts[0].startswith("@") else 1])

modules = {module_of(n) for n in names if n.startswith("extension/node_modules/")}
for extra in sorted(modules - set(needed)):
    fail(f"{extra} is not a runtime dependency")

if problems:
    sys.exit("\n".join(f"check: {vsix}: {p}" for p in problems))

for info in archive.infolist():
    path = archive.extract(info, out)
    if not info.is_dir() and modes[info.filename]:
        os.chmod(path, modes[info.filename])
print(f"check: {os.path.basename(vsix)}: {len(names)} entries, {target}, "
      f"{len(needed)} runtime modules, server/{binary} {len(archive.read(server))} bytes")
EOF

extension="$unpacked/extension"
if [ "$platform" = linux ] && [ "$(uname -s)-$(uname -m)" = Linux-x86_64 ]; then
  version=$(node -p "require(process.argv[1]).version" "$extension/package.json")
  reported=$("$extension/server/linter-lsp" --version)
  if [ "$reported" != "linter-lsp $version" ]; then
    echo "check: $vsix: the server says '$reported', the extension is $version" >&2
    exit 1
  fi
fi
wine=${WINE:-/usr/lib/wine/wine64}
if [ "$platform" = windows ] && [ -x "$wine" ]; then
  # A prefix of its own, headless and quiet, gone with the unpacked files.
  export WINEPREFIX="$unpacked/wineprefix" WINEDEBUG=-all DISPLAY='' WAYLAND_DISPLAY='' \
    WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe=d'
  trap '"$(dirname "$wine")/wineserver" -k 2>/dev/null; rm -rf "$unpacked"' EXIT
  "$wine" wineboot -i </dev/null >/dev/null 2>&1
  VSIX_WINE=$wine node "$here/activate.js" "$extension" "$platform"
else
  node "$here/activate.js" "$extension" "$platform"
fi
