#!/bin/sh
# The shape of the source tree, where the build cannot check it. The build holds the layers
# apart (each sees only its own folder and those of the layers it links, see CMakeLists.txt),
# but a quoted include is looked for beside the including file first, so "../convert/catalog.h"
# would be found from any folder: no include names a path with "..", or from the root. And each
# converter (its header and source together) writes each of its tags once.
#
#   tests/structure.sh SOURCE_DIR KELVCONV
set -eu
src="$1/src"
kelvconv="$2"
failed=0

# Any spacing, any indentation: what the preprocessor takes for an include.
climbing=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<](/|([^">]*/)?\.\./)' "$src" ||
           true)
if [ -n "$climbing" ]; then
  echo "includes that leave their folder (name the header from its layer's folder instead):" >&2
  echo "$climbing" >&2
  failed=1
fi

# Every tag of every kind, as --explain lists them, written once in its converter's header and
# source together (code lines only: a comment may name a tag).
tags="${TMPDIR:-/tmp}/kelv-tags.$$"
trap 'rm -f "$tags"' EXIT
"$kelvconv" --explain | awk 'NF {print $1}' | while read -r kind; do
  "$kelvconv" --explain "$kind" | grep -oE '^</?[a-z0-9_]+>' | tr -d '</>'
done | sort -u >"$tags"
[ -s "$tags" ] || { echo "no tags from $kelvconv --explain" >&2; exit 1; }
files=$(find "$src/convert" -name '*.cpp' -o -name '*.h' | sort)
# shellcheck disable=SC2086
awk -v root="$1/" '
  FNR == NR { tag["\"" $0 "\""] = 1; next }
  FNR == 1 {
    converter = substr(FILENAME, length(root) + 1)
    sub(/\.(cpp|h)$/, "", converter)
  }
  /^[[:space:]]*\/\// { next }
  {
    line = $0
    while (match(line, /"[a-z0-9_]+"/)) {
      word = substr(line, RSTART, RLENGTH)
      if (word in tag && ++count[converter SUBSEP word] == 2) {
        print converter ".{h,cpp}: the tag " word " is written more than once" > "/dev/stderr"
        bad = 1
      }
      line = substr(line, RSTART + RLENGTH)
    }
  }
  END { exit bad }
' "$tags" $files || failed=1
exit $failed
