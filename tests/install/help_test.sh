#!/usr/bin/env bash
# The command line's help, its manual page and the README agree: every command of
# `orvantis --help` and every option of `orvantis COMMAND --help` is in the manual page, the
# README and the user manual's command-line chapter.
#   help_test.sh ORVANTIS README.md docs/manual/09-command-line.md
set -euo pipefail
exe="$1"
readme="$2"
chapter="$3"
man=$("$exe" --man)
grep -q '^\.TH ORVANTIS 1' <<<"$man" || { echo "--man gives no manual page"; exit 1; }
# roff writes "-" as "\-".
man_text=$(sed 's/\\-/-/g' <<<"$man")

commands=$("$exe" --help | awk '/^Subcommands:/ {on = 1; next} on && /^  [a-z]/ {print $1} on && /^$/ {on = 0}')
[ -n "$commands" ] || { echo "no commands in orvantis --help"; exit 1; }
fail=0
for cmd in $commands; do
  grep -qF "orvantis $cmd" <<<"$man_text" || { echo "manual page lacks the command $cmd"; fail=1; }
  grep -qF "orvantis $cmd" "$readme" || { echo "README lacks the command $cmd"; fail=1; }
  grep -qF "orvantis $cmd" "$chapter" || { echo "the manual's command-line chapter lacks $cmd"; fail=1; }
  for opt in $("$exe" "$cmd" --help | grep -oE '(^|[ ,])--[a-z0-9-]+' | sed 's/^[ ,]*//' | sort -u); do
    [ "$opt" = --help ] && continue
    grep -qF -- "$opt" <<<"$man_text" || { echo "manual page lacks $cmd $opt"; fail=1; }
    grep -qF -- "$opt" "$readme" || { echo "README lacks $cmd $opt"; fail=1; }
    grep -qF -- "$opt" "$chapter" || { echo "the manual's command-line chapter lacks $cmd $opt"; fail=1; }
  done
done
exit "$fail"
