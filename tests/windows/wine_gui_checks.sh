#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program with its windows as a Windows program, under Wine, against the Linux build:
#  - zentrimo.exe --machine x58-bloomfield --report --json prints what the Linux build prints;
#  - the main window on X58, H55 and K10 profiles shows the same texts (timings, clocks, the
#    summary panels, the state of the buttons) as on Linux;
#  - the window tests built for Windows pass (timings applied, SPD and Monitor windows, the
#    WinRing0 stand-in, its message box, the Startup shortcut);
#  - the zip, unpacked into an empty Wine prefix, starts on a simulated machine and shows the
#    main window (with ZM_SCREENSHOT_OUT=<file.png>, a picture of the screen is kept).
#
# usage: wine_gui_checks.sh <MinGW build folder (with windows)> <Linux build folder> [zip]
# Skips (exit 0) with a line saying so where Wine is not installed.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
mingw_build=$(realpath "$1")
linux_build=$(realpath "$2")
zip=${3:+$(realpath "$3")}

wine=$(command -v wine || true)
if [ -z "$wine" ]; then
  echo "== Wine windows checks: SKIPPED, no wine on this machine (Debian package wine)"
  exit 0
fi
if ! command -v xvfb-run >/dev/null; then
  echo "== Wine windows checks: SKIPPED, no xvfb-run (Debian package xvfb)"
  exit 0
fi

# Wine's windows need an X display, even for the offscreen Qt platform's hidden windows.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

work=$(mktemp -d)
cleanup() {
  WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
  WINEPREFIX="$work/zip-prefix" wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
winpath() { echo "Z:$1" | tr / '\\'; }

# Wine hides the Unix QT_* variables from Windows programs; WINEQT_* reach them as QT_*.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
qt_prefix=$(sed -n 's|^Qt6_DIR:PATH=\(.*\)/lib/cmake/Qt6$|\1|p' "$mingw_build/CMakeCache.txt")
[ -d "$qt_prefix/bin" ] || fail "no Qt kit named in $mingw_build/CMakeCache.txt"
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread=$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")")
export WINEPATH="$(winpath "$qt_prefix/bin");$(winpath "$runtime");$(winpath "$pthread")"
export WINEQT_PLUGIN_PATH="$(winpath "$qt_prefix/plugins")"

# A prefix with Wine's Tahoma as the Windows font (without it Qt falls back to a serif face).
new_prefix() {
  WINEPREFIX="$1" "$wine" wineboot --init >/dev/null 2>&1 || true
  cp /usr/share/wine/fonts/tahoma*.ttf "$1/drive_c/windows/Fonts/" 2>/dev/null || true
}
start=$SECONDS
export WINEPREFIX="$work/prefix"
new_prefix "$WINEPREFIX"
echo "-- Wine prefix ready in $((SECONDS - start)) s"

# 1. The report of the program with windows.
linux_status=0 wine_status=0
"$linux_build/src/zentrimo" --machine x58-bloomfield --report --json --settings "$work/linux.ini" \
  >"$work/linux.json" 2>"$work/linux.err" || linux_status=$?
"$wine" "$mingw_build/src/zentrimo.exe" --machine x58-bloomfield --report --json \
  --settings "$(winpath "$work/wine.ini")" >"$work/wine.json" 2>"$work/wine.err" || wine_status=$?
sed -i 's/\r$//' "$work/wine.json" "$work/wine.err"
diff -u "$work/linux.json" "$work/wine.json" || fail "zentrimo.exe --report --json differs"
diff -u "$work/linux.err" "$work/wine.err" || fail "zentrimo.exe --report: the messages differ"
[ "$linux_status" = "$wine_status" ] || fail "exit codes $linux_status (Linux), $wine_status (Wine)"
echo "-- zentrimo.exe --machine x58-bloomfield --report --json = Linux report (exit $wine_status)"

# 2. The main window's texts.
for machine in x58-bloomfield h55-clarkdale k10-am3-ddr3; do
  QT_QPA_PLATFORM=offscreen "$linux_build/tests/main_window_texts" "$machine" "$work/linux.txt" \
    2>/dev/null || fail "$machine: the Linux main window showed no clocks"
  WINEQT_QPA_PLATFORM=offscreen "$wine" "$mingw_build/tests/windows/main_window_texts.exe" \
    "$machine" "$(winpath "$work/wine.txt")" 2>/dev/null ||
    fail "$machine: the Windows main window showed no clocks"
  diff -u "$work/linux.txt" "$work/wine.txt" || fail "$machine: the main window differs"
  echo "-- $machine: main window = Linux main window ($(wc -l <"$work/wine.txt") controls)"
done

# 3. The window tests as Windows programs. QtTest writes its log into a file under Wine.
export ZM_WINRING0_STANDIN_PROFILE="$(winpath "$here/machines/x58-bloomfield.json")"
for test in "$mingw_build"/tests/windows/gui_*.exe; do
  name=$(basename "$test" .exe)
  status=0
  WINEQT_QPA_PLATFORM=offscreen timeout 300 "$wine" "$test" -o "$(winpath "$work/$name.txt"),txt" \
    >/dev/null 2>&1 || status=$?
  sed -i 's/\r$//' "$work/$name.txt" 2>/dev/null || true
  if [ "$status" != 0 ]; then
    grep -E '^(FAIL|QWARN|QFATAL|   Loc)' "$work/$name.txt" >&2 || cat "$work/$name.txt" >&2 || true
    fail "$name (exit $status)"
  fi
  echo "-- $name: $(grep '^Totals' "$work/$name.txt")"
done

# 4. The zip as a user gets it: unpacked into an empty prefix, nothing else on the path.
if [ -n "$zip" ]; then
  mkdir -p "$work/unpacked"
  (cd "$work/unpacked" && cmake -E tar xf "$zip")
  folder=$(ls -d "$work"/unpacked/*/)
  [ -f "$folder/zentrimo.exe" ] || fail "no zentrimo.exe at the top of $(basename "$zip")"
  # What a user needs and nothing of the build's: no test program, no stand-in WinRing0.dll.
  for file in LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt machines/x58-bloomfield.json \
    machines/data/SOURCES.md platforms/qwindows.dll; do
    [ -f "$folder/$file" ] || fail "$file is not in the zip"
  done
  dlls=$(cd "$folder" && find . -iname '*.dll' | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
  [ "$dlls" = "Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll " ] ||
    fail "the zip's DLLs: $dlls"
  grep -aq 'level="requireAdministrator"' "$folder/zentrimo.exe" ||
    fail "zentrimo.exe has no requireAdministrator manifest"
  grep -aqP 'F\x00i\x00l\x00e\x00V\x00e\x00r\x00s\x00i\x00o\x00n' "$folder/zentrimo.exe" ||
    fail "zentrimo.exe has no version resource"
  zip_start=$SECONDS
  (
    unset WINEPATH WINEQT_PLUGIN_PATH
    export WINEPREFIX="$work/zip-prefix"
    new_prefix "$WINEPREFIX"
    bash -c '
      cd "$1"
      wine zentrimo.exe --machine x58-bloomfield >"$2/zip.log" 2>&1 &
      for _ in $(seq 60); do
        sleep 1
        xwininfo -root -tree | grep -q "\"Zentrimo 1.5 beta3\"" && break
      done
      sleep 4  # the clocks of the first measuring pass
      xwininfo -root -tree | grep "\"Zentrimo 1.5 beta3\"" >"$2/zip-window.txt" || true
      if [ -n "${ZM_SCREENSHOT_OUT:-}" ] && command -v xwd >/dev/null; then
        id=$(awk "{print \$1; exit}" "$2/zip-window.txt")
        [ -n "$id" ] && xwd -silent -frame -id "$id" | xwdtopnm 2>/dev/null |
          pnmtopng >"$ZM_SCREENSHOT_OUT" || true
      fi
      wineserver -k' _ "$folder" "$work"
  )
  grep -q "Zentrimo 1.5 beta3" "$work/zip-window.txt" ||
    fail "the unpacked zip did not show the main window: $(cat "$work/zip.log")"
  echo "-- the unpacked zip in an empty prefix shows the main window ($(cut -c1-60 "$work/zip-window.txt" | tr -s ' '))"
  echo "-- zip run took $((SECONDS - zip_start)) s"
fi
echo "-- Wine windows checks took $((SECONDS - start)) s"
