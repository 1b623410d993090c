#!/bin/sh
# What the project keeps for every kind, checked against the program's own list of kinds
# (kelvconv --explain) and the kinds of finding the cases show:
# - each kind of source has its cases (tests/cases/KIND, the name --explain lists without .txt
#   or *.txt) and a row in the table of sources of README.md and of README.ja.md (its name or
#   pattern in backquotes in the first column);
# - each kind of finding has a row in README.md's table of findings and an entry in the
#   DIAGNOSTICS of both man pages.
#
#   tests/kinds.sh SOURCE_DIR KELVCONV
set -eu
root=$1
kelvconv=$2
failed=0
lacks() { echo "$1 lacks $2" >&2; failed=1; }
# Whether FILE has a table row whose first column holds TEXT.
has_row() { awk -F'|' -v text="$2" '/^\|/ && index($2, text) { found = 1 } END { exit !found }' "$1"; }

sources=$(LC_ALL=C "$kelvconv" --explain | awk 'NF { print $1 }')
[ -n "$sources" ] || { echo "no kinds from $kelvconv --explain" >&2; exit 1; }
for source in $sources; do
  kind=${source%.txt}
  kind=${kind%\*}
  [ -d "$root/tests/cases/$kind" ] || lacks tests/cases "a folder of cases $kind/ for $source"
  for readme in README.md README.ja.md; do
    has_row "$root/$readme" "\`$source\`" || lacks "$readme" "a row for $source"
  done
done

findings=$(grep -rhoE ' warning: .* \[[a-z-]+\]$' "$root/tests/cases" | sed 's/.*\[//; s/\]$//' | sort -u)
[ -n "$findings" ] || { echo "no findings in tests/cases" >&2; exit 1; }
for kind in $findings; do
  has_row "$root/README.md" "\`$kind\`" || lacks README.md "a row for the finding $kind"
  entry=".B $(printf '%s' "$kind" | sed 's/-/\\-/g')"
  for page in kelvconv.1.in kelvconv.ja.1.in; do
    grep -qxF "$entry" "$root/packaging/$page" || lacks "packaging/$page" "an entry for the finding $kind"
  done
done
exit $failed
