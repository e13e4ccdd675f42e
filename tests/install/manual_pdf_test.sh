#!/usr/bin/env bash
# The user manual built beside the program: a PDF of more than 20 pages whose text holds the
# title of every chapter and section of its Markdown source.
#   manual_pdf_test.sh OrvantisManual.pdf docs/manual
set -euo pipefail
pdf="$1"
source_dir="$2"

[ -s "$pdf" ] || { echo "no manual at $pdf"; exit 1; }
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
if [ "${pages:-0}" -le 20 ]; then
  echo "the manual has ${pages:-0} pages, expected more than 20"
  exit 1
fi

# Blanks and line breaks folded to single blanks, so that a title wrapped in the PDF is found.
text=$(pdftotext -layout "$pdf" - | tr -s '[:space:]' ' ')
missing=0
checked=0
while IFS= read -r title; do
  checked=$((checked + 1))
  folded=$(printf '%s' "$title" | tr -s '[:space:]' ' ')
  if ! grep -qF -- "$folded" <<<"$text"; then
    echo "section title missing from the PDF: $title"
    missing=1
  fi
done < <(cat "$source_dir"/*.md | grep -E '^#{1,3} ' | sed -E 's/^#+ +//; s/`//g')
[ "$checked" -ge 20 ] || { echo "only $checked section titles in $source_dir"; exit 1; }
# The contents list names each chapter with its page.
grep -qF "Contents" <<<"$text" || { echo "no table of contents"; exit 1; }
exit "$missing"
