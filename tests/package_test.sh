#!/usr/bin/env bash
# Builds the Debian package from the test build and checks what it holds
# and what it depends on.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
deb=$(ls "$out"/qn62-control_*.deb)
contents=$(dpkg-deb -c "$deb")
depends=$(dpkg-deb -f "$deb" Depends)
fail=0
for f in bin/qn62-control bin/qn62-sim share/applications/qn62-control.desktop \
         share/icons/hicolor/scalable/apps/qn62-control.svg; do
  grep -q "$f\$" <<<"$contents" || { echo "missing from the package: $f"; fail=1; }
done
for d in libqt6widgets6 libqt6serialport6 qt6-qpa-plugins fonts-ipafont-gothic; do
  grep -q "$d" <<<"$depends" || { echo "missing dependency: $d (Depends: $depends)"; fail=1; }
done
dpkg-deb -x "$deb" "$out/root"
grep -q '^Exec=qn62-control$' "$out"/root/*/share/applications/qn62-control.desktop \
  || { echo "the .desktop entry does not start qn62-control"; fail=1; }
[ $fail -eq 0 ] && echo "package ok: $(basename "$deb")"
exit $fail
