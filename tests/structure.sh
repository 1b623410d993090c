#!/bin/sh
# The shape of the source tree, checked: the layers include only what lies below them, and each
# converter writes each of its tags once.
#
#   tests/structure.sh SOURCE_DIR KELVCONV
set -eu
src="$1/src"
kelvconv="$2"
failed=0

# language <- platform, format <- convert <- inspect <- lsp <- driver: what each folder may
# include of the others.
check_layer() {  # FOLDER ALLOWED...
  folder=$1
  shift
  allowed=$(printf '%s|' "$@")
  found=$(grep -rhoE '^#include "[a-z]+/' "$src/$folder" | sed 's/#include "//; s/\///' |
          grep -vxE "${allowed%|}" | sort -u || true)
  if [ -n "$found" ]; then
    echo "src/$folder includes from: $found" >&2
    failed=1
  fi
}
check_layer language language
check_layer platform platform language
check_layer format format language
check_layer convert convert format language
check_layer inspect inspect convert format platform language
check_layer lsp lsp inspect convert format platform language
check_layer driver driver lsp inspect convert format platform language

# Every tag of every kind, as --explain lists them, written once in its converter's files (code
# lines only: a comment may name a tag).
"$kelvconv" --explain | awk 'NF {print $1}' | while read -r kind; do
  "$kelvconv" --explain "$kind" | grep -oE '^</?[a-z0-9_]+>' | tr -d '</>'
done | sort -u >"${TMPDIR:-/tmp}/kelv-tags.$$"
trap 'rm -f "${TMPDIR:-/tmp}/kelv-tags.$$"' EXIT
[ -s "${TMPDIR:-/tmp}/kelv-tags.$$" ] || { echo "no tags from $kelvconv --explain" >&2; exit 1; }
files=$(find "$src/convert" -name '*.cpp' -o -name '*.h' | sort)
# shellcheck disable=SC2086
awk -v root="$1/" '
  FNR == NR { tag["\"" $0 "\""] = 1; next }
  FNR == 1 { file = substr(FILENAME, length(root) + 1) }
  /^[[:space:]]*\/\// { next }
  {
    line = $0
    while (match(line, /"[a-z0-9_]+"/)) {
      word = substr(line, RSTART, RLENGTH)
      if (word in tag && ++count[file SUBSEP word] == 2) {
        print file ": the tag " word " is written more than once" > "/dev/stderr"
        bad = 1
      }
      line = substr(line, RSTART + RLENGTH)
    }
  }
  END { exit bad }
' "${TMPDIR:-/tmp}/kelv-tags.$$" $files || failed=1
exit $failed
