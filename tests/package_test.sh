#!/usr/bin/env bash
# Builds the Debian package from the test build, checks what it holds and
# what it depends on, and has lintian, appstreamcli, desktop-file-validate
# and systemd-analyze judge it: no error and no warning from any of them.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
deb=$(ls "$out"/qn62-control_*.deb)
contents=$(dpkg-deb -c "$deb")
depends=$(dpkg-deb -f "$deb" Depends)
fail=0
for f in bin/qn62-control bin/qn62-sim bin/qn62-pjlink share/applications/qn62-control.desktop \
         share/applications/qn62-control-demo.desktop \
         share/icons/hicolor/scalable/apps/qn62-control.svg \
         share/metainfo/invalid.qn62.control.metainfo.xml \
         share/man/man1/qn62-control.1.gz share/man/man1/qn62-sim.1.gz share/man/man8/qn62-pjlink.8.gz \
         /lib/systemd/system/qn62-pjlink.service /etc/default/qn62-pjlink \
         share/doc/qn62-control/copyright share/doc/qn62-control/changelog.gz; do
  grep -q "$f\$" <<<"$contents" || { echo "missing from the package: $f"; fail=1; }
done
for d in libqt6widgets6 libqt6serialport6 libqt6network6 qt6-qpa-plugins fonts-ipafont-gothic; do
  grep -q "$d" <<<"$depends" || { echo "missing dependency: $d (Depends: $depends)"; fail=1; }
done
dpkg-deb -x "$deb" "$out/root"
share=$out/root/usr/share
grep -q '^Exec=qn62-control$' "$share/applications/qn62-control.desktop" \
  || { echo "the .desktop entry does not start qn62-control"; fail=1; }

# The bridge is headless: QtCore, QtNetwork and QtSerialPort, no QtGui.
needed=$(readelf -d "$out/root/usr/bin/qn62-pjlink" | sed -n 's/.*(NEEDED).*\[\(libQt6[A-Za-z]*\).*/\1/p' | sort | xargs)
[ "$needed" = "libQt6Core libQt6Network libQt6SerialPort" ] \
  || { echo "qn62-pjlink links $needed"; fail=1; }
# Its settings are a conffile; its unit passes systemd-analyze, run on a
# copy that starts the program as unpacked here.
dpkg-deb -e "$deb" "$out/control"
grep -qx /etc/default/qn62-pjlink "$out/control/conffiles" || { echo "/etc/default/qn62-pjlink is no conffile"; fail=1; }
mkdir "$out/unit"
sed "s|/usr/bin/qn62-pjlink|$out/root/usr/bin/qn62-pjlink|" "$out/root/lib/systemd/system/qn62-pjlink.service" \
  >"$out/unit/qn62-pjlink.service"
found=$(systemd-analyze verify --man=no "$out/unit/qn62-pjlink.service" 2>&1 || echo "(failed)")
[ -z "$found" ] || { echo "systemd-analyze verify:"; echo "$found"; fail=1; }

# Every finding of lintian's at warning level or above, overrides ignored.
tags=$(lintian --no-override --fail-on none "$deb" 2>&1 | grep -E '^[EW]: ' || true)
[ -z "$tags" ] || { echo "lintian:"; echo "$tags"; fail=1; }
appstreamcli validate --no-net "$share"/metainfo/*.xml >"$out/appstream" 2>&1 \
  || { echo "appstreamcli:"; cat "$out/appstream"; fail=1; }
for entry in "$share"/applications/*.desktop; do
  # Hints count too: more than one main category is only a hint.
  found=$(desktop-file-validate "$entry" 2>&1 || true)
  [ -z "$found" ] || { echo "desktop-file-validate:"; echo "$found"; fail=1; }
done
[ $fail -eq 0 ] && echo "package ok: $(basename "$deb")"
exit $fail
