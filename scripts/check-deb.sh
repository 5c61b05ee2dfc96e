#!/usr/bin/env bash
# Checks a built package: no lintian errors, every file a station relies on is inside, and the
# service unit and the alert rules as shipped pass systemd's and Prometheus's own checks.
set -euo pipefail
deb=${1:?usage: check-deb.sh sonivex_VERSION_amd64.deb}
lintian --fail-on error "$deb"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/sonivex ./lib/systemd/system/sonivex.service ./usr/lib/sysusers.d/sonivex.conf \
    ./lib/udev/rules.d/70-sonivex.rules ./usr/share/applications/sonivex.desktop \
    ./usr/share/icons/hicolor/scalable/apps/sonivex.svg ./usr/share/man/man1/sonivex.1.gz; do
    grep -q " $f\$" <<<"$contents" || { echo "check-deb: $f missing from $deb"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q libqt6core6 || { echo "check-deb: no computed dependencies"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
sed "s#/usr/bin/sonivex#$tmp/usr/bin/sonivex#" "$tmp/lib/systemd/system/sonivex.service" >"$tmp/sonivex.service"
MANPATH="$tmp/usr/share/man:" systemd-analyze verify "$tmp/sonivex.service"
promtool check rules "$tmp"/usr/share/doc/sonivex/prometheus/sonivex-rules.yml
echo "check-deb: $deb ok"
