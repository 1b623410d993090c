#!/bin/sh
# Writes po/kelvconv.pot from the texts the code marks with tr(), and merges it into every
# translation (po/*.po), which then shows what is new or changed for the translators.
#
#   po/extract.sh [--check]
#
# With --check, changes nothing: exits 1 when the code holds a marked text that po/kelvconv.pot
# lacks (a new text someone forgot to give the translators), or the other way round, and when a
# translation leaves a text untranslated or fuzzy.
set -eu
cd "$(dirname "$0")/.."
pot=po/kelvconv.pot
fresh=$(mktemp)
trap 'rm -f "$fresh" "$fresh.ids" "$fresh.old"' EXIT
# shellcheck disable=SC2046
xgettext --language=C++ --from-code=UTF-8 --keyword= --keyword=tr:1,1t --keyword=tr:1,2,2t \
  --add-comments=TRANSLATORS: --sort-by-file --no-wrap --package-name=kelvconv \
  --msgid-bugs-address=kelvconv@example.org -o "$fresh" $(find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort)
ids() { msgcat --no-wrap --sort-output "$1" | grep -E '^msgid(_plural)? ' ; }
if [ "${1:-}" = --check ]; then
  ids "$fresh" >"$fresh.ids"
  ids "$pot" >"$fresh.old"
  if ! diff -u "$fresh.old" "$fresh.ids" >&2; then
    echo "po/kelvconv.pot does not match the texts the code marks: run po/extract.sh" >&2
    exit 1
  fi
  failed=0
  for po in po/*.po; do
    stats=$(msgfmt --check --statistics -o /dev/null "$po" 2>&1) || failed=1
    echo "$po: $stats"
    case "$stats" in *untranslated* | *fuzzy*) failed=1 ;; esac
    # Every text of the template is in the translation.
    ids "$po" >"$fresh.old"
    diff -u "$fresh.ids" "$fresh.old" >&2 || failed=1
  done
  exit $failed
fi
sed -e 's/^"Content-Type: text\/plain; charset=CHARSET\\n"$/"Content-Type: text\/plain; charset=UTF-8\\n"/' \
    "$fresh" >"$pot"
for po in po/*.po; do
  msgmerge --quiet --update --backup=none --no-wrap "$po" "$pot"
done
echo "$pot: $(grep -c '^msgid ' "$pot") texts"
