#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The privileged helper through the real pkexec and polkit daemon (Debian's polkitd and pkexec).
# Everything the test needs lives in a throw-away mount and PID namespace it makes itself: a
# tmpfs over /run (the system bus socket, the helper's test profile), /etc/passwd, /etc/group and
# /etc/shadow copies with three test users, the polkit action and rules folders holding only the
# program's installed policy and the test's rule. The system D-Bus and polkitd run in it and end
# with it (a step that hangs ends the namespace); the staging install is removed on exit.
# Nothing is left on the machine.
#
# A staging install from the build (its policy names the staged helper as exec.path) gets the
# helper's test build, which serves a simulated machine from a root-owned profile instead of
# the hardware. The rule answers YES for one user, NO for the second, and asks the third for the
# administrator's password:
#   - allowed: the window's report through pkexec and the helper equals the direct report;
#   - denied: the program says "Authentication failed ...", exits as it does for that, and
#     writes nothing;
#   - asked: pkttyagent prompts on a terminal and the user gives up (Ctrl+D): the same.
# Usage: tests/polkit/polkit_test.sh [BUILD_FOLDER]   (as root; default: build)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
profile=k10-am3-ddr3
allowed_uid=64991
denied_uid=64992
asked_uid=64993
fail() { echo "polkit test: $*" >&2; exit 1; }

if [ "${1:-}" = --inside ]; then
  stage="$2"
  # --- inside the namespace: nothing below outlives it --------------------------------------
  mount -t tmpfs -o mode=0755 zm-polkit-run /run
  mkdir -p /run/dbus /run/zm/etc /run/zm/actions /run/zm/rules /run/zm/empty \
    /run/zentrimo-helper-test
  for f in passwd group shadow; do cp "/etc/$f" "/run/zm/etc/$f"; done
  for uid in $allowed_uid $denied_uid $asked_uid; do
    ! getent passwd "$uid" >/dev/null || fail "uid $uid is taken on this machine"
  done
  for user in allowed:$allowed_uid denied:$denied_uid asked:$asked_uid; do
    name=zm${user%%:*} uid=${user##*:}
    echo "$name:x:$uid:$uid:zentrimo polkit test:/nonexistent:/bin/sh" >>/run/zm/etc/passwd
    echo "$name:x:$uid:" >>/run/zm/etc/group
    echo "$name:!:20000::::::" >>/run/zm/etc/shadow
  done
  for f in passwd group shadow; do mount --bind "/run/zm/etc/$f" "/etc/$f"; done
  cp "$stage/prefix/share/polkit-1/actions/org.zentrimo.helper.policy" /run/zm/actions/
  cat >/run/zm/rules/50-zentrimo-test.rules <<'RULES'
polkit.addRule(function(action, subject) {
    if (action.id != "org.zentrimo.helper") return polkit.Result.NOT_HANDLED;
    if (subject.user == "zmallowed") return polkit.Result.YES;
    if (subject.user == "zmdenied") return polkit.Result.NO;
    if (subject.user == "zmasked") return polkit.Result.AUTH_ADMIN;
    return polkit.Result.NOT_HANDLED;
});
RULES
  mount --bind /run/zm/actions /usr/share/polkit-1/actions
  mount --bind /run/zm/rules /etc/polkit-1/rules.d
  mount --bind /run/zm/empty /usr/share/polkit-1/rules.d
  # The helper's test build serves this profile (root's, writable by root alone).
  cp -r "$here/machines/data" /run/zentrimo-helper-test/
  cp "$here/machines/$profile.json" /run/zentrimo-helper-test/machine.json

  dbus-daemon --system --fork
  setpriv --reuid=polkitd --regid=polkitd --clear-groups /usr/lib/polkit-1/polkitd \
    >/run/zm/polkitd.log 2>&1 &
  for _ in $(seq 100); do
    dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.freedesktop.PolicyKit1 2>/dev/null |
      grep -q "boolean true" && break
    sleep 0.1
  done
  version=$(dbus-send --system --print-reply --dest=org.freedesktop.PolicyKit1 \
    /org/freedesktop/PolicyKit1/Authority org.freedesktop.DBus.Properties.Get \
    string:org.freedesktop.PolicyKit1.Authority string:BackendVersion 2>&1 |
    sed -n 's/.*string "\(.*\)"/\1/p') || true
  [ -n "$version" ] || { cat /run/zm/polkitd.log >&2; fail "polkitd is not on the system bus"; }
  echo "polkitd $version (package $(dpkg-query -W -f='${Version}' polkitd)), $(pkexec --version)"

  # As a test user, with an environment as bare as a login's (pkexec checks SHELL and PATH).
  as_user() {
    local uid=$1; shift
    setpriv --reuid="$uid" --regid="$uid" --clear-groups \
      env -i PATH=/usr/bin:/bin HOME=/nonexistent "$@"
  }
  for uid in $allowed_uid $denied_uid $asked_uid; do
    mkdir -p "$stage/home-$uid/direct" "$stage/home-$uid/helper"
    chown -R "$uid:$uid" "$stage/home-$uid"
  done
  bin="$stage/prefix/bin"
  helper="$stage/prefix/libexec/zentrimo/zentrimo-helper"

  echo "-- allowed: the report through pkexec and the helper equals the direct one"
  home="$stage/home-$allowed_uid"
  set +e
  as_user $allowed_uid "$bin/zm_polkit_report" $profile "$home/direct/ZM.ini" \
    >"$stage/direct.json" 2>"$stage/direct.err"
  direct_code=$?
  as_user $allowed_uid "$bin/zm_polkit_report" $profile "$home/helper/ZM.ini" "$helper" \
    >"$stage/helper.json" 2>"$stage/helper.err"
  helper_code=$?
  set -e
  grep -q '"terminated": false' "$stage/direct.json" || fail "the direct report is no report"
  # The clocks are measured: time-stamp counter ticks (read in the helper) over half a second of
  # the window's own time, so the pipe's delays and a busy machine move them a little. They are
  # compared within 2 %, the rest of the report byte for byte.
  measured='.frequency | .bclk, .cores, .link, .ram, .uncore'
  masked='(.frequency | .bclk, .cores, .link, .ram, .uncore) = "measured"'
  for run in direct helper; do
    jq "$masked" "$stage/$run.json" >"$stage/$run.masked"
    jq -r "$measured" "$stage/$run.json" >"$stage/$run.clocks"
  done
  diff -u "$stage/direct.masked" "$stage/helper.masked" >&2 ||
    { cat "$stage/helper.err" /run/zm/polkitd.log >&2; fail "the report through pkexec differs"; }
  paste "$stage/direct.clocks" "$stage/helper.clocks" |
    awk '{ d = $1 - $3; if (d < 0) d = -d; if ($1 <= 0 || d > $1 / 50) bad = bad " " $0 }
         END { if (bad != "") { print "clocks apart by more than 2 %:" bad; exit 1 } }' >&2 ||
    fail "the measured clocks differ"
  diff -u "$stage/direct.err" "$stage/helper.err" >&2 || fail "the messages differ"
  [ "$direct_code" = "$helper_code" ] || fail "exit status $helper_code, directly $direct_code"
  echo "   equal ($(wc -c <"$stage/helper.json") bytes, exit status $helper_code); measured" \
    "clocks $(paste -sd, "$stage/helper.clocks"), directly $(paste -sd, "$stage/direct.clocks")"

  echo "-- denied: the program's message and exit status, and nothing written"
  home="$stage/home-$denied_uid"
  before=$(find /run/zentrimo-helper-test "$home" -printf '%p %s %T@\n' | sort | md5sum)
  set +e
  as_user $denied_uid "$bin/zentrimo" --report --settings "$home/helper/ZM.ini" \
    >"$stage/denied.out" 2>"$stage/denied.err"
  denied_code=$?
  set -e
  cat "$stage/denied.err"
  grep -q "Authentication failed or no polkit authentication agent" "$stage/denied.err" ||
    fail "no authentication message"
  echo "   exit status $denied_code"; [ "$denied_code" = 1 ] || fail "exit status $denied_code, not 1"
  [ ! -s "$stage/denied.out" ] || fail "a report was printed"
  after=$(find /run/zentrimo-helper-test "$home" -printf '%p %s %T@\n' | sort | md5sum)
  [ "$before" = "$after" ] || fail "something was written"
  echo "   refused (exit status $denied_code), nothing written"

  echo "-- given up: pkttyagent asks for the password on a terminal, the user presses Ctrl+D"
  # (A text agent has no other way to cancel; polkit then answers "not authorised", so pkexec
  # ends with 127 and the program says "Authentication failed ...", as for a refusal.)
  home="$stage/home-$asked_uid"
  before=$(find "$home" -printf '%p %s %T@\n' | sort | md5sum)
  set +e
  (sleep 3; printf '\004') | setsid --wait setpriv --reuid=$asked_uid --regid=$asked_uid \
    --clear-groups env -i PATH=/usr/bin:/bin HOME=/nonexistent script -qec \
    "sh -c 'pkttyagent --process \$\$ & sleep 1; exec $bin/zentrimo --report --settings $home/helper/ZM.ini'" \
    /dev/null >"$stage/asked.out" 2>&1
  asked_code=$?
  set -e
  grep -q "Authenticating as: root" "$stage/asked.out" || { cat "$stage/asked.out"; fail "no prompt"; }
  grep -q "Authentication failed or no polkit authentication agent" "$stage/asked.out" ||
    { cat "$stage/asked.out"; fail "no authentication message"; }
  [ "$asked_code" = 1 ] || fail "exit status $asked_code, not 1"
  after=$(find "$home" -printf '%p %s %T@\n' | sort | md5sum)
  [ "$before" = "$after" ] || fail "something was written"
  echo "   the agent asked; refused (exit status $asked_code), nothing written"
  exit 0
fi

# --- outside: stage the install, then run the above in a namespace of its own ---------------
[ "$(id -u)" -eq 0 ] || fail "needs root (it starts a system bus and polkitd in a namespace)"
if [ ! -x /usr/lib/polkit-1/polkitd ] || ! command -v pkexec >/dev/null; then
  fail "needs Debian's polkitd and pkexec packages"
fi
build="$(cd "${1:-$here/build}" && pwd)"
started=$(date +%s%N)
stage="$(mktemp -d /tmp/zm-polkit.XXXXXX)"
trap 'rm -rf "$stage"' EXIT
chmod 0755 "$stage"
cmake --install "$build" --prefix "$stage/prefix" >/dev/null
install -m 0755 "$build/tests/zentrimo-helper-test" "$stage/prefix/libexec/zentrimo/zentrimo-helper"
install -m 0755 "$build/tests/zm_polkit_report" "$stage/prefix/bin/zm_polkit_report"
grep -q "$stage/prefix/libexec/zentrimo/zentrimo-helper" \
  "$stage/prefix/share/polkit-1/actions/org.zentrimo.helper.policy" ||
  fail "the staged policy does not name the staged helper"
# A hung step ends the namespace, and with it every process the test started there.
timeout -s KILL 100 unshare --kill-child --mount --pid --fork --mount-proc --propagation private \
  "$here/tests/polkit/polkit_test.sh" --inside "$stage"
echo "polkit test took $(( ($(date +%s%N) - started) / 1000000 )) ms"
