#!/usr/bin/env bash
# The desktop entry passes desktop-file-validate and starts the installed program.
#   desktop_file_test.sh orvantis.desktop
set -euo pipefail
file="$1"
desktop-file-validate "$file"
grep -qx 'Exec=orvantis' "$file" || { echo "the entry does not start orvantis"; exit 1; }
grep -qx 'Icon=orvantis' "$file" || { echo "the entry does not name the orvantis icon"; exit 1; }
