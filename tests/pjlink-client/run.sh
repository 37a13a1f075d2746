#!/usr/bin/env bash
# Installs the third-party PJLink client pinned by package-lock.json into the
# build tree, starts qn62-sim (short warm-up and cool-down) and qn62-pjlink
# in front of it with a password on a free loopback port, and lets
# client.js drive them. Usage: run.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
work=$build/pjlink-client
mkdir -p "$work"
cp "$here/package.json" "$here/package-lock.json" "$work/"
(cd "$work" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)

pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
# Waits up to 10 s for a line matching $2 in file $1.
wait_for() {
  for _ in $(seq 100); do grep -q "$2" "$1" && return 0; sleep 0.1; done
  echo "no '$2' in $1:"; cat "$1"; return 1
}

"$build/qn62-sim" --warm-up 1500 --cool-down 1500 >"$work/sim.out" &
pids+=($!)
wait_for "$work/sim.out" '^/dev/'
device=$(head -n1 "$work/sim.out")

# A usage error ends with status 2: no password beyond loopback.
status=0
"$build/qn62-pjlink" --device "$device" --listen 0.0.0.0:0 2>"$work/refused.err" || status=$?
[ "$status" -eq 2 ] || { echo "listening on 0.0.0.0 without a password: status $status, not 2"; exit 1; }

umask 077
printf 'JBMIAProjectorLink\n' >"$work/password"
"$build/qn62-pjlink" --device "$device" --listen 127.0.0.1:0 --password-file "$work/password" 2>"$work/bridge.err" &
pids+=($!)
wait_for "$work/bridge.err" 'listening on'
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/bridge.err")
NODE_PATH=$work/node_modules node "$here/client.js" "$port" JBMIAProjectorLink

# SIGHUP (a terminal hung up, a logout) ends the bridge as cleanly as
# SIGTERM: status 0, and the lock file of its device removed.
bridge=${pids[-1]}
name=LCK..$(printf '%s' "${device#/dev/}" | tr / _)
lock=
for dir in /var/lock /run/lock /tmp; do [ -e "$dir/$name" ] && lock=$dir/$name && break; done
[ -n "$lock" ] || { echo "no lock file $name while the bridge holds $device"; exit 1; }
kill -HUP "$bridge"
status=0
wait "$bridge" || status=$?
[ "$status" -eq 0 ] || { echo "the bridge ended with status $status after SIGHUP, not 0"; exit 1; }
[ ! -e "$lock" ] || { echo "the bridge left its lock file $lock after SIGHUP"; exit 1; }
echo "SIGHUP: status 0, lock file removed"
