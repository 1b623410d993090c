#!/bin/sh
# Checks man pages as man-db shows them on an 80-column terminal: no warning of troff; the sections
# of the page's language, each once, in order; no line wider than 80 columns; no space between two
# Japanese characters (a line break of the source inside a sentence) and no line that begins
# with 、。）」： or ends with （「; the exit statuses under their own heading, not run into a
# paragraph; no paragraph shown twice and the copyright once; the README of the page's language
# under SEE ALSO. A page under .../ja/man1/ is Japanese (man-db then lays out Japanese lines).
# Run by ctest on the pages of a build, and by packaging/check.sh on those the Debian package
# installs.
#
#   packaging/check_man.sh PAGE...
set -eu
export LC_ALL=C.UTF-8 MANWIDTH=80
failed=0
fail() { echo "$page: $*" >&2; failed=1; }

for page in "$@"; do
  case $page in
    */ja/man1/*)
      sections='名前 書式 説明 オプション 終了ステータス 環境変数 ファイル 診断 例 著作権 関連項目'
      status=終了ステータス see_also=関連項目 readme=README.ja.md other=README.md ;;
    *)
      sections='NAME SYNOPSIS DESCRIPTION OPTIONS EXIT_STATUS ENVIRONMENT FILES DIAGNOSTICS EXAMPLES COPYRIGHT SEE_ALSO'
      status='EXIT STATUS' see_also='SEE ALSO' readme=README.md other=README.ja.md ;;
  esac
  errors=$(man --warnings -l "$page" 2>&1 >/dev/null) || fail "man -l failed"
  [ -z "$errors" ] || fail "troff warns: $errors"
  shown=$(man -l "$page" 2>/dev/null)
  [ -n "$shown" ] || { fail "shows nothing"; continue; }
  # The sections: lines that begin at the margin, but the header and the footer.
  found=$(printf '%s\n' "$shown" | sed '1d;$d' | grep '^[^ ]' | tr ' ' _ | tr '\n' ' ')
  [ "$found" = "$sections " ] || fail "sections: $found (not $sections)"
  width=$(printf '%s\n' "$shown" | wc -L)
  [ "$width" -le 80 ] || fail "a line of $width columns"
  japanese='[\p{Han}\p{Hiragana}\p{Katakana}ー、。「」（）：]'
  spaced=$(printf '%s\n' "$shown" | grep -P "$japanese +$japanese" || true)
  [ -z "$spaced" ] || fail "a space between Japanese characters: $spaced"
  broken=$(printf '%s\n' "$shown" | grep -P '^ *[、。）」：]|[（「]$' || true)
  [ -z "$broken" ] || fail "a line broken before 、。）」： or after （「: $broken"
  # The exit statuses: 0, 1 and 2, each at the start of a line of their section.
  statuses=$(printf '%s\n' "$shown" |
    awk -v h="$status" '/^[^ ]/ { inside = ($0 == h) } inside && /^ +[0-9] / { printf "%s ", $1 }')
  [ "$statuses" = "0 1 2 " ] || fail "exit statuses under $status: $statuses"
  ! printf '%s\n' "$shown" | grep -q -e 'Exit status:' -e '終了ステータス[:：]' ||
    fail "the help's heading of the exit statuses is run into a paragraph"
  # Paragraphs, their lines joined and their blanks squeezed: none twice.
  twice=$(printf '%s\n' "$shown" | awk '
    /^ *$/ { if (p != "") print p; p = ""; next }
    { sub(/^ +/, ""); p = p " " $0 }
    END { if (p != "") print p }' | tr -s ' ' | sort | uniq -d)
  [ -z "$twice" ] || fail "shown twice: $twice"
  [ "$(printf '%s\n' "$shown" | grep -c 'Copyright')" = 1 ] || fail "the copyright is not shown once"
  refers=$(printf '%s\n' "$shown" | awk -v h="$see_also" '/^[^ ]/ { inside = ($0 == h); next } inside')
  printf '%s\n' "$refers" | grep -qF "$readme" || fail "$see_also does not name $readme"
  ! printf '%s\n' "$refers" | grep -qF "$other" || fail "$see_also names $other"
done
exit $failed
