#!/usr/bin/env bash
# An install into a temporary prefix: the program, its interface string file and manual under
# share/orvantis, the desktop entry, the icons and the manual page; the installed program
# finds its string file there (and fails without it), and runs its commands.
#   install_test.sh BUILD_DIR
set -euo pipefail
build="$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/orvantis share/orvantis/OV-STR.TXT share/orvantis/OrvantisManual.pdf \
         share/applications/orvantis.desktop share/icons/hicolor/scalable/apps/orvantis.svg \
         share/icons/hicolor/48x48/apps/orvantis.png share/icons/hicolor/256x256/apps/orvantis.png \
         share/man/man1/orvantis.1; do
  [ -s "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
[ -x "$prefix/bin/orvantis" ] || { echo "bin/orvantis is not executable"; exit 1; }
reader="$prefix/libexec/orvantis/orvantis-jet-reader"
[ -x "$reader" ] || { echo "libexec/orvantis/orvantis-jet-reader is not installed"; exit 1; }
[ ! -e "$prefix/bin/OV-STR.TXT" ] || { echo "OV-STR.TXT installed beside the program"; exit 1; }

export ORVANTIS_DATA_ROOT="$tmp/data"
export HOME="$tmp/home"
"$prefix/bin/orvantis" dump --set Bore=4.125 > "$tmp/dump.json"
grep -q '"Bore": 4.125' "$tmp/dump.json" || { echo "dump did not type the bore"; exit 1; }
# The report reads its section titles from the interface string file.
"$prefix/bin/orvantis" report general > "$tmp/report.txt"
grep -q "ENGINE GEOMETRY" "$tmp/report.txt" || { echo "report without the string file's titles"; exit 1; }

# The installed program reads test databases through the installed reader program: a wrapper
# in its place leaves a mark, and the list equals the build tree's.
examples="$build/tests/orvantis_write_examples"
if [ -x "$examples" ]; then
  "$examples" "$tmp/examples" >/dev/null
  mv "$reader" "$reader.real"
  printf '#!/bin/sh\ntouch "%s"\nexec "%s" "$@"\n' "$tmp/reader-ran" "$reader.real" > "$reader"
  chmod +x "$reader"
  "$prefix/bin/orvantis" flow-tests "$tmp/examples/Flow/BENCH.mdb" --no-cache > "$tmp/installed.txt"
  [ -e "$tmp/reader-ran" ] || { echo "the installed reader program was not used"; exit 1; }
  "$build/src/orvantis" flow-tests "$tmp/examples/Flow/BENCH.mdb" --no-cache > "$tmp/built.txt"
  [ -s "$tmp/built.txt" ] && cmp -s "$tmp/installed.txt" "$tmp/built.txt" ||
    { echo "the installed program lists the database differently"; exit 1; }
fi

# Without the installed string file the report cannot be built.
rm "$prefix/share/orvantis/OV-STR.TXT"
if "$prefix/bin/orvantis" report general > /dev/null 2> "$tmp/err.txt"; then
  echo "the report was built without OV-STR.TXT"
  exit 1
fi
grep -q "OV-STR.TXT" "$tmp/err.txt" || { echo "the error does not name OV-STR.TXT:"; cat "$tmp/err.txt"; exit 1; }
