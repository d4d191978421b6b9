#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build of the report, run under Wine on the stand-in WinRing0.dll, against the
# Linux build's report on the same simulated machines: the JSON must be the same apart from the
# "machine" field (the Windows run names its backend "this machine"), and so must the messages,
# the exit code and the settings file each run leaves. The stand-in's call log of the first
# report must show every WinRing0 function but the MSR writes called with plausible arguments. A run without
# WinRing0.sys must stop with the one message and exit code 1, the library never called. Last,
# the Startup-folder shortcut is made, read back and removed through Wine's shell.
#
# usage: wine_checks.sh <MinGW build folder> <Linux zentrimo> [profile...]
# Skips (exit 0) with a line saying so where Wine is not installed.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
mingw_build=$(realpath "$1")
zentrimo=$(realpath "$2")
shift 2
profiles=("$@")
[ ${#profiles[@]} -gt 0 ] || profiles=(x58-bloomfield h55-clarkdale k10-am3-ddr3)

wine=$(command -v wine || command -v wine64 || true)
[ -z "$wine" ] && [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
if [ -z "$wine" ]; then
  echo "== Wine report: SKIPPED, no wine on this machine (Debian package wine64)"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A fresh prefix, without the .NET and HTML engines Wine would otherwise offer to install.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

exe="$mingw_build/src/zentrimo-report.exe"
grep -aq 'level="requireAdministrator"' "$exe" || fail "no requireAdministrator manifest in $exe"

# A folder as the program is installed: the executable, the library and its drivers (empty
# files: only their presence is checked). The program writes its ZM.ini here too.
new_run_folder() {
  rm -rf "$work/run"
  mkdir -p "$work/run"
  cp "$exe" "$mingw_build/tests/windows/WinRing0.dll" "$work/run/"
  touch "$work/run/WinRing0.sys" "$work/run/WinRing0x64.sys"
}

# run_wine <profile file> <call log>: stdout, stderr (line feeds only) and exit code into
# $work/wine.out, wine.err, wine.status.
run_wine() {
  local status=0
  ZM_WINRING0_STANDIN_PROFILE="Z:$1" ZM_WINRING0_STANDIN_LOG="Z:$2" \
    "$wine" "$work/run/zentrimo-report.exe" --report --json >"$work/wine.out" 2>"$work/wine.err" ||
    status=$?
  echo "$status" >"$work/wine.status"
  sed -i 's/\r$//' "$work/wine.out" "$work/wine.err"
}

start=$SECONDS
"$wine" wineboot --init >/dev/null 2>&1 || true
echo "-- Wine prefix ready in $((SECONDS - start)) s"

for profile in "${profiles[@]}"; do
  new_run_folder
  rm -rf "$work/linux" && mkdir -p "$work/linux"
  linux_status=0
  "$zentrimo" --report --json --machine "$profile" --settings "$work/linux/ZM.ini" \
    >"$work/linux.out" 2>"$work/linux.err" || linux_status=$?
  run_wine "$here/machines/$profile.json" "$work/calls-$profile.log"

  diff -u <(jq -S 'del(.machine)' "$work/linux.out") <(jq -S 'del(.machine)' "$work/wine.out") ||
    fail "$profile: the Windows report differs from the Linux one"
  diff -u "$work/linux.err" "$work/wine.err" || fail "$profile: the messages differ"
  [ "$linux_status" = "$(cat "$work/wine.status")" ] || fail "$profile: the exit codes differ"
  diff -u <(cat "$work/linux/ZM.ini" 2>/dev/null) <(tr -d '\r' <"$work/run/ZM.ini" 2>/dev/null) ||
    fail "$profile: the settings files differ"
  echo "-- $profile: Windows report = Linux report (exit $linux_status)"
done

# The first report's call log, one line per call: "Name(arguments) -> result".
log="$work/calls-${profiles[0]}.log"
echo "-- calls into the stand-in WinRing0.dll during the ${profiles[0]} report:"
sed 's/(.*//' "$log" | sort | uniq -c
# The report only reads MSRs: Wrmsr and WrmsrEx must not appear (the windows use them).
for name in InitializeOls DeinitializeOls ReadIoPortByte ReadIoPortDword WriteIoPortByte \
  WriteIoPortDword Rdmsr RdmsrEx RdtscEx ReadPhysicalMemory WritePhysicalMemory; do
  grep -q "^$name(" "$log" || fail "${profiles[0]}: $name was never called"
done
if grep -E '^Wrmsr(Ex)?\(' "$log"; then fail "${profiles[0]}: the report wrote an MSR"; fi
# An affinity mask selects one processor (a power of two: one hex digit 1, 2, 4 or 8, then
# zeros); physical memory moves one 4-byte unit at a time.
if grep 'mask=0x' "$log" | grep -vE 'mask=0x[1248]0*[,)]'; then
  fail "an affinity mask selecting no or several processors"
fi
if grep 'PhysicalMemory(' "$log" | grep -v 'count=1, unitSize=4'; then
  fail "a physical-memory access of another size than one dword"
fi

# Without WinRing0.sys: exactly its message, exit code 1, and the library never called.
new_run_folder
rm "$work/run/WinRing0.sys"
run_wine "$here/machines/${profiles[0]}.json" "$work/calls-missing.log"
[ "$(cat "$work/wine.err")" = "ERROR! WinRing0.sys is not find!" ] ||
  fail "WinRing0.sys missing: unexpected messages: $(cat "$work/wine.err")"
[ "$(cat "$work/wine.status")" = 1 ] || fail "WinRing0.sys missing: exit $(cat "$work/wine.status")"
[ ! -s "$work/calls-missing.log" ] || fail "WinRing0.sys missing: the library was called"
echo "-- WinRing0.sys missing: \"$(cat "$work/wine.err")\", exit 1, no library call"
"$wine" "$mingw_build/tests/windows/startup_shortcut_check.exe" | sed 's/\r$//;s/^/-- /'
echo "-- Wine checks took $((SECONDS - start)) s"
