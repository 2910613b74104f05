#!/usr/bin/env bash
# Runs a command with Wine ready for the Windows builds' tests. Headless and quiet: no
# display, no debug channels, no Mono or Gecko installers, no menu entries. A UTF-8
# locale, so that Wine passes non-ASCII arguments and file names intact. The prefix is
# build/wineprefix unless WINEPREFIX names another; WINE and WINESERVER name the
# programs. One persistent wineserver serves every run, which takes a run from seconds
# to a fraction of one; it stops at the end unless it was running before.
# Usage: scripts/with-wine.sh <command...>
set -u
wine=${WINE:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix} WINEDEBUG=-all DISPLAY= \
  WAYLAND_DISPLAY= LC_ALL=C.UTF-8 WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe=d'
mkdir -p "$WINEPREFIX"
started=0
if "$wineserver" -p </dev/null >/dev/null 2>&1; then started=1; fi
trap '[ $started = 0 ] || "$wineserver" -k' EXIT
trap 'exit 130' INT TERM
if [ ! -f "$WINEPREFIX/.update-timestamp" ]; then
  echo "wine: preparing $WINEPREFIX"
  "$wine" wineboot -i </dev/null >/dev/null 2>&1 || exit 1
fi
# A first, throwaway run starts Wine's services, so that no test pays for them or sees
# their messages.
"$wine" cmd /c exit </dev/null >/dev/null 2>&1
"$@"
