#!/usr/bin/env bash
# The Debian package: it holds the installed layout under /usr and names its dependencies.
#   package_test.sh BUILD_DIR
set -euo pipefail
build="$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >/dev/null
deb=$(ls "$tmp"/*.deb)
[ "$(dpkg-deb -f "$deb" Package)" = orvantis ] || { echo "wrong package name"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libmdb3 libsqlite3-0 libstdc++6 libc6 qt6-qpa-plugins; do
  grep -q "$lib" <<<"$depends" || { echo "the package does not depend on $lib"; exit 1; }
done
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/orvantis ./usr/share/orvantis/OV-STR.TXT ./usr/share/orvantis/OrvantisManual.pdf \
         ./usr/share/applications/orvantis.desktop ./usr/share/man/man1/orvantis.1 \
         ./usr/share/icons/hicolor/scalable/apps/orvantis.svg; do
  grep -qF " $f" <<<"$contents" || { echo "the package lacks $f"; exit 1; }
done
