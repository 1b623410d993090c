#!/usr/bin/env bash
# Checks the packages in build/package/ as their users meet them; run by ./dev.sh package (and so
# by CI), as root on a Debian machine with the packages ./dev.sh package installs.
#
#   Debian package  its fields and dependencies, no maintainer scripts, lintian without an error;
#                   installed with dpkg -i: kelvconv --version, both man pages as man shows them
#                   (packaging/check_man.sh: their sections, no stray space, no line too wide),
#                   the documents, the bash completion, Neovim's setup of the language server;
#                   removed with dpkg -r: none of its files left
#   tarball         exactly the installed tree (the documents under docs/ and Neovim's setup
#                   included), the program stripped
#   zip             exactly the two programs, the texts (the READMEs for users and the licence,
#                   none of the documents under docs/) and the VS Code extension of this version,
#                   the texts UTF-8 with a byte order mark and CR LF ends and otherwise the source
#                   tree's files, the READMEs with no Markdown links, naming only files beside them
#   Windows         both programs (in the zip and installed): no debug sections, the icon in all
#                   its sizes, the version information in English and Japanese (each program's
#                   own file name) and the manifest's version
#   installer       under Wine, in a new prefix of its own: silent install, kelvconv found
#                   through the PATH it added, the Send to and Start menu entries, the entry in
#                   the installed programs, the VS Code extension given to VS Code's command (a
#                   stand-in on the PATH), kelvconv.com started alone says how it is used; the
#                   texts of its pages and the uninstaller's (decompressed from both), in both
#                   languages, the components' names and descriptions; silent uninstall by its
#                   registered command takes the extension out of VS Code and leaves no file,
#                   link, key or PATH entry; a PATH too long to change safely is left exactly as
#                   it was, and without VS Code's command nothing is asked of it; the uninstaller
#                   waited for as the README tells scripts
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project(kelvconv VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
packages=build/package
work=$(mktemp -d)
fail() { echo "FAILED: $*" >&2; exit 1; }
# Whether TEXT has a line matching PATTERN. Commands' output is taken whole first and searched
# after: grep -q at the end of a pipe may stop the command early, which pipefail counts as failed.
contains() { grep -q -e "$1" <<<"$2"; }
# The texts an NSIS installer or uninstaller holds, one per line: its header, decompressed (the
# data after the "NullsoftInst" signature is one raw LZMA stream: a byte of lc, lp and pb, 4 of
# dictionary size; its first 4 bytes decompressed give the header's length), UTF-16 to UTF-8.
nsis_strings() {
  local at props lc lp pb dict size
  at=$(grep -m 1 -obUaF NullsoftInst "$1" | cut -d: -f1)
  [ -n "$at" ] || fail "$1 is not an NSIS installer"
  props=$(od -An -j $((at + 20)) -N 1 -tu1 "$1" | tr -d ' ')
  lc=$((props % 9)) lp=$((props / 9 % 5)) pb=$((props / 45))
  dict=$(od -An -j $((at + 21)) -N 4 -tu4 "$1" | tr -d ' ')
  # The stream has no end mark: xz stops where the data ends and says so.
  tail -c +$((at + 26)) "$1" |
    xz -dc --format=raw --lzma1=lc=$lc,lp=$lp,pb=$pb,dict=$dict >"$work/nsis.bin" 2>/dev/null || true
  size=$(od -An -N 4 -tu4 "$work/nsis.bin" | tr -d ' ')
  [ -n "$size" ] || fail "$1: its header does not decompress"
  head -c $((size + 4)) "$work/nsis.bin" | tail -c +5 | iconv -f UTF-16LE -t UTF-8 -c | tr '\000-\037' '\n'
}
package_installed() {
  [[ "$(dpkg-query -W -f='${Status}' kelvconv 2>/dev/null || true)" == *"install ok installed"* ]]
}
step() { echo "== $*"; }
ok() { echo "   ok: $*"; }

deb=$packages/kelvconv_${version}_amd64.deb
tarball=$packages/kelvconv-$version-linux-x86_64.tar.gz
zip=$packages/kelvconv-$version-win64.zip
setup=$packages/kelvconv-$version-win64-setup.exe
for f in "$deb" "$tarball" "$zip" "$setup"; do [ -f "$f" ] || fail "$f is missing"; done

# --- The Debian package --------------------------------------------------------------------------
step "Debian package: $deb"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kelvconv ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Section)" = devel ] || fail "Section: $(field Section)"
# Dependencies found by dpkg-shlibdeps, each with its version.
depends=$(field Depends)
for lib in libc6 libstdc++6; do
  [[ ", $depends" == *", $lib (>= "[0-9]* ]] || fail "Depends lacks $lib: $depends"
done
[ -n "$(field Description)" ] || fail "no Description"
control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')
[ "$control" = "control md5sums " ] || fail "control files beyond control and md5sums: $control"
ok "fields, dependencies ($depends), no maintainer scripts"

lintian_out=$work/lintian.txt
if ! lintian --fail-on error --display-info --pedantic "$deb" >"$lintian_out" 2>&1; then
  cat "$lintian_out" >&2
  fail "lintian found errors"
fi
grep -v 'running with root privileges' "$lintian_out" | sed 's/^/   lintian: /' || true
ok "lintian: no error"

if package_installed; then
  fail "a kelvconv package is installed on this machine already: dpkg -r kelvconv first"
fi
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then dpkg -r kelvconv >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
# Re-included in case the machine's dpkg is told to leave documentation out (as minimal images
# are).
dpkg --path-include='/usr/share/man/*' --path-include='/usr/share/doc/kelvconv/*' -i "$deb" >/dev/null
installed=1
[ "$(kelvconv --version | head -n 1)" = "kelvconv $version" ] ||
  fail "kelvconv --version: $(kelvconv --version)"
[ "$(command -v kelvconv)" = /usr/bin/kelvconv ] || fail "kelvconv is not /usr/bin/kelvconv"
[ "$(man -w kelvconv)" = /usr/share/man/man1/kelvconv.1.gz ] || fail "man -w kelvconv: $(man -w kelvconv)"
[ "$(man -L ja -w kelvconv)" = /usr/share/man/ja/man1/kelvconv.1.gz ] ||
  fail "man -L ja -w kelvconv: $(man -L ja -w kelvconv)"
contains 'data compiler of the Kelvardin' "$(MANPAGER=cat MANWIDTH=80 man kelvconv 2>/dev/null)" ||
  fail "man kelvconv does not show the page"
packaging/check_man.sh /usr/share/man/man1/kelvconv.1.gz /usr/share/man/ja/man1/kelvconv.1.gz ||
  fail "the man pages as installed"
ok "installed: kelvconv --version, man -w kelvconv (and -L ja), both pages as man shows them"

# The completion as bash runs it: options, kinds for --explain, and only files kelvconv takes.
complete_in() {  # DIR WORD... : what completing the last word offers, one per line, sorted
  (cd "$1" && shift && bash -c '
    source /usr/share/bash-completion/completions/kelvconv
    COMP_WORDS=(kelvconv "$@"); COMP_CWORD=$#; _kelvconv
    printf "%s\n" "${COMPREPLY[@]}" | sort' bash "$@")
}
mkdir -p "$work/game/maps"
touch "$work/game/item_list.txt" "$work/game/scene_town.txt" "$work/game/notes.txt" \
      "$work/game/Prepare.txt" "$work/game/item_list.dat"
[ "$(complete_in "$work/game" --expl)" = --explain ] || fail "completion of --expl"
[ "$(complete_in "$work/game" -y '')" = "$(printf '%s\n' item_list.txt maps scene_town.txt)" ] ||
  fail "completion of sources: $(complete_in "$work/game" -y '')"
[ "$(complete_in "$work/game" --dump '')" = "$(printf '%s\n' item_list.dat maps)" ] ||
  fail "completion of data files: $(complete_in "$work/game" --dump '')"
[ "$(complete_in "$work/game" --explain sc)" = scene ] || fail "completion of --explain sc"
ok "bash completion: options, sources, data files, kinds"

files=$(dpkg -L kelvconv | while read -r p; do [ -d "$p" ] || echo "$p"; done)
for want in /usr/bin/kelvconv /usr/share/doc/kelvconv/copyright /usr/share/doc/kelvconv/changelog.gz \
            /usr/share/doc/kelvconv/README.md /usr/share/doc/kelvconv/README.ja.md \
            /usr/share/doc/kelvconv/docs/authoring.md /usr/share/doc/kelvconv/docs/authoring.ja.md \
            /usr/share/doc/kelvconv/docs/development.md \
            /usr/share/bash-completion/completions/kelvconv \
            /usr/share/kelvconv/nvim/lua/kelvconv.lua; do
  grep -qx "$want" <<<"$files" || fail "the package does not install $want"
done
dpkg -r kelvconv >/dev/null
installed=0
! package_installed || fail "still installed after dpkg -r"
while read -r p; do [ ! -e "$p" ] || fail "$p is left after dpkg -r"; done <<<"$files"
[ ! -e /usr/share/doc/kelvconv ] || fail "/usr/share/doc/kelvconv is left after dpkg -r"
ok "dpkg -r removed all $(wc -l <<<"$files") files"

# --- The tarball ---------------------------------------------------------------------------------
step "tarball: $tarball"
top=kelvconv-$version-linux-x86_64
want="bin/kelvconv share/bash-completion/completions/kelvconv share/doc/kelvconv/CHANGELOG.md
share/doc/kelvconv/LICENSE share/doc/kelvconv/README.ja.md share/doc/kelvconv/README.md
share/doc/kelvconv/docs/authoring.ja.md share/doc/kelvconv/docs/authoring.md
share/doc/kelvconv/docs/development.md
share/kelvconv/nvim/lua/kelvconv.lua share/man/ja/man1/kelvconv.1 share/man/man1/kelvconv.1"
want=$(tr ' ' '\n' <<<"$want" | sed "s|^|$top/|" | sort)
got=$(tar -tzf "$tarball" | grep -v '/$' | sort)
[ "$got" = "$want" ] || fail "the tarball holds$(diff <(echo "$want") <(echo "$got") | sed 's/^/ /')"
tar -xzf "$tarball" -C "$work" "$top/bin/kelvconv" "$top/share/kelvconv/nvim/lua/kelvconv.lua"
contains ', stripped' "$(file "$work/$top/bin/kelvconv")" || fail "kelvconv in the tarball is not stripped"
cmp -s "$work/$top/share/kelvconv/nvim/lua/kelvconv.lua" editors/nvim/kelvconv.lua ||
  fail "share/kelvconv/nvim/lua/kelvconv.lua is not editors/nvim/kelvconv.lua"
ok "the installed tree, the program stripped, Neovim's setup"

# --- The Windows programs ------------------------------------------------------------------------
check_program() {  # FILE: stripped, icon, version information, manifest
  local program=$1 name dir=$work/resources
  name=$(basename "$program")
  rm -rf "$dir" && mkdir -p "$dir"
  local sections
  sections=$(x86_64-w64-mingw32-objdump -h "$program")
  contains '\.text' "$sections" || fail "$name: no sections found"
  ! contains '\.debug' "$sections" || fail "$name has debug sections"
  wrestool -x -t 14 "$program" >"$dir/icon.ico"
  [ -s "$dir/icon.ico" ] || fail "$name has no icon"
  local sizes
  sizes=$(icotool -l "$dir/icon.ico" | sed -n 's/.*--width=\([0-9]*\) --height=\1 .*/\1/p' | tr '\n' ' ')
  [ "$sizes" = "16 24 32 48 64 256 " ] || fail "$name: icon sizes $sizes"
  wrestool -x --raw -t 16 "$program" >"$dir/version.bin"
  [ -s "$dir/version.bin" ] || fail "$name has no version information"
  # The texts of the version information: UTF-16 keys, each followed by its value, in a block
  # per language (040904B0 U.S. English, 041104B0 Japanese), both listed under Translation.
  # Control characters never occur inside UTF-8 text: the binary fields between texts become
  # line ends.
  local texts
  texts=$(iconv -f UTF-16LE -t UTF-8 -c <"$dir/version.bin" | tr '\000-\037' '\n' | grep -v '^.\{0,1\}$')
  value() {  # BLOCK KEY
    awk -v block="$1" -v key="$2" '
      $0 == "040904B0" || $0 == "041104B0" || $0 == "VarFileInfo" { inside = $0 == block; next }
      found { print; exit }
      inside && $0 == key { found = 1 }' <<<"$texts"
  }
  local block
  for block in 040904B0 041104B0; do
    [ "$(value $block FileVersion)" = "$version" ] || fail "$name: $block FileVersion $(value $block FileVersion)"
    [ "$(value $block ProductVersion)" = "$version" ] ||
      fail "$name: $block ProductVersion $(value $block ProductVersion)"
    [ "$(value $block ProductName)" = kelvconv ] || fail "$name: $block ProductName $(value $block ProductName)"
    [ "$(value $block OriginalFilename)" = "$name" ] ||
      fail "$name: $block OriginalFilename $(value $block OriginalFilename)"
    [ "$(value $block InternalName)" = "$name" ] || fail "$name: $block InternalName $(value $block InternalName)"
    [[ "$(value $block LegalCopyright)" == "Copyright (c) "*" the kelvconv developers" ]] ||
      fail "$name: $block LegalCopyright $(value $block LegalCopyright)"
    [ -n "$(value $block CompanyName)" ] || fail "$name: $block has no CompanyName"
  done
  [[ "$(value 040904B0 FileDescription)" == kelvconv,* ]] ||
    fail "$name: FileDescription $(value 040904B0 FileDescription)"
  # The Japanese description in Japanese: beyond ASCII, and not the English one.
  local description_ja
  description_ja=$(value 041104B0 FileDescription)
  [[ "$description_ja" == kelvconv* && "$description_ja" != "$(value 040904B0 FileDescription)" ]] &&
    LC_ALL=C contains '[^ -~]' "$description_ja" || fail "$name: Japanese FileDescription $description_ja"
  # Translation: 0x0409 and 0x0411, each with code page 1200 (UTF-16), as little-endian words.
  local bytes
  bytes=$(od -An -v -tx1 "$dir/version.bin" | tr -d ' \n')
  contains "$(printf 'Translation' | iconv -t UTF-16LE | od -An -tx1 | tr -d ' \n')0000\(0000\)\{0,1\}0904b0041104b004" "$bytes" ||
    fail "$name: Translation does not list U.S. English and Japanese"
  # The numbers Explorer shows: VS_FIXEDFILEINFO after its signature 0xFEEF04BD, file version
  # as major/minor and patch/build halves of two little-endian words.
  local fixed want_fixed
  fixed=$(sed -n 's/.*bd04effe00000100\(.\{16\}\).*/\1/p' <<<"$bytes")
  IFS=. read -r major minor patch <<<"$version"
  want_fixed=$(printf '%02x%02x%02x%02x%02x%02x%02x%02x' $((minor & 255)) $((minor >> 8)) \
    $((major & 255)) $((major >> 8)) 0 0 $((patch & 255)) $((patch >> 8)))
  [ "$fixed" = "$want_fixed" ] || fail "$name: fixed file version $fixed, not $want_fixed"
  contains "version=\"$version.0\"" "$(wrestool -x --raw -t 24 "$program")" ||
    fail "$name: the manifest does not say version $version.0"
}

step "zip: $zip"
top=kelvconv-$version-win64
vsix=kelvconv-$version.vsix
want="kelvconv.exe kelvconv.com LICENSE.txt README.ja.txt README.txt $vsix"
want=$(tr ' ' '\n' <<<"$want" | sed "s|^|$top/|" | sort)
got=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
[ "$got" = "$want" ] || fail "the zip holds$(diff <(echo "$want") <(echo "$got") | sed 's/^/ /')"
unzip -q "$zip" -d "$work/zip"
for pair in README.md:README.txt LICENSE:LICENSE.txt README.ja.md:README.ja.txt; do
  source_file=${pair%%:*} text=$work/zip/$top/${pair#*:}
  [ "$(head -c 3 "$text" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
    fail "${pair#*:} has no UTF-8 byte order mark"
  lines=$(tr -cd '\n' <"$text" | wc -c)
  [ "$lines" -gt 0 ] && [ "$(grep -c $'\r$' "$text")" = "$lines" ] ||
    fail "${pair#*:}: not every line ends in CR LF"
  # The text of the source file, but for the lines with Markdown links in the READMEs.
  tail -c +4 "$text" | tr -d '\r' | awk -v from="$source_file" '
    { if ((getline line < from) <= 0 || ($0 != line && line !~ /\]\(/)) { bad = 1; exit } }
    END { if (bad || (getline line < from) > 0) exit 1 }' || fail "${pair#*:} is not the text of $source_file"
  ok "${pair#*:}: byte order mark, CR LF, the text of $source_file"
done
# The READMEs as the installer's finish page and Start menu open them: no Markdown links left,
# and every README or licence they name is a file beside them (each names the other language's).
for pair in README.txt:README.ja.txt README.ja.txt:README.txt; do
  readme=$work/zip/$top/${pair%%:*}
  text=$(tail -c +4 "$readme" | tr -d '\r')
  ! contains '\](' "$text" || fail "${pair%%:*} has Markdown links: $(grep -m 1 -e '](' <<<"$text")"
  contains "${pair#*:}" "$text" || fail "${pair%%:*} does not name ${pair#*:}"
  names=$( { grep -o -E '\b(README[A-Za-z.]*\.(md|txt)|LICENSE[A-Za-z.]*)\b' <<<"$text" || true; } | sort -u)
  for named in $names; do
    [ -f "$work/zip/$top/$named" ] || fail "${pair%%:*} names $named, which is not beside it"
  done
  ok "${pair%%:*}: no Markdown links; names only files beside it ($(tr '\n' ' ' <<<"$names"))"
done
# The extension: a package VS Code takes, of this version, its grammar made at build time.
manifest=$(unzip -p "$work/zip/$top/$vsix" extension/package.json)
contains "\"version\": \"$version\"" "$manifest" || fail "$vsix is not of version $version"
contains '"item_list.txt"' "$manifest" || fail "$vsix does not name the sources"
contains '^extension/syntaxes/kelvconv\.tmLanguage\.json$' "$(unzip -Z1 "$work/zip/$top/$vsix")" ||
  fail "$vsix has no grammar"
ok "$vsix: version $version, the source names, the grammar"
for program in "$work/zip/$top/kelvconv.exe" "$work/zip/$top/kelvconv.com"; do
  check_program "$program"
  ok "$(basename "$program"): stripped, icon 16 to 256, version $version, manifest"
done

# --- The installer under Wine --------------------------------------------------------------------
step "installer: $setup (under Wine)"
prefix=$PWD/build/windows/check-prefix
wineserver=$(command -v wineserver) || fail "no wineserver (Debian's wine package)"
# Wine's menu builder stays off: it would mirror the Start menu entry into this machine's own
# menus (and note that in the registry).
export WINEDLLOVERRIDES=winemenubuilder.exe=d
wine() { KELV_WINE_PREFIX=$prefix build/windows/wine.sh "$@"; }
wine_in() { local locale=$1; shift; LC_ALL=$locale KELV_WINE_PREFIX=$prefix build/windows/wine.sh "$@"; }
settle() { WINEPREFIX=$prefix "$wineserver" -w; }  # every process of the prefix ended, saved
regvalue() {  # KEY NAME: the value's data as reg query shows it
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}
list_files() { (cd "$prefix/drive_c" && find . -type f | sort); }
rm -rf "$prefix"
trap 'WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true; rm -rf "$prefix"; cleanup' EXIT
wine wineboot -i 2>/dev/null
env_key='HKCU\Environment'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\kelvconv'
path_before='C:\tools;%USERPROFILE%\bin'
wine reg add "$env_key" /v Path /t REG_EXPAND_SZ /d "$path_before" /f >/dev/null
# VS Code's command, as a stand-in on that PATH that notes what it is asked.
code_told=$work/code.txt
mkdir -p "$prefix/drive_c/tools"
printf '@echo %%*>>Z:%s\r\n' "${code_told//\//\\}" >"$prefix/drive_c/tools/code.cmd"
settle
files_before=$(list_files)

wine_in en_US.UTF-8 "$setup" /S
settle
home=$(cd "$prefix/drive_c/users" && ls -d */AppData | head -1)
home=$prefix/drive_c/users/${home%/AppData}
folder=$home/AppData/Local/Programs/kelvconv
want="LICENSE.txt README.ja.txt README.txt kelvconv.com kelvconv.exe uninstall.exe $vsix"
[ "$(ls "$folder" 2>/dev/null | LC_ALL=C sort | tr '\n' ' ')" = "$(tr ' ' '\n' <<<"$want" | LC_ALL=C sort | tr '\n' ' ')" ] ||
  fail "installed: $(ls "$folder" 2>&1 | tr '\n' ' ')"
check_program "$folder/kelvconv.com"
check_program "$folder/kelvconv.exe"
windows_folder=$(regvalue "$uninstall_key" InstallLocation)
[[ "$windows_folder" == *'\AppData\Local\Programs\kelvconv' ]] || fail "InstallLocation: $windows_folder"
[ "$(regvalue "$env_key" Path)" = "$path_before;$windows_folder" ] ||
  fail "PATH after the install: $(regvalue "$env_key" Path)"
# A new cmd finds kelvconv (kelvconv.com, before kelvconv.exe) through the user's PATH.
[ "$(wine cmd /c kelvconv --version | tr -d '\r' | head -n 1)" = "kelvconv $version" ] ||
  fail "cmd /c kelvconv --version: $(wine cmd /c kelvconv --version 2>&1)"
ok "installed into $windows_folder; PATH ends with it; cmd runs kelvconv --version"
sendto=$home/AppData/Roaming/Microsoft/Windows/SendTo/kelvconv.lnk
readme_link="$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/kelvconv README.lnk"
[ -f "$sendto" ] || fail "no Send to shortcut"
contains 'kelvconv\.exe' "$(strings -a "$sendto"; strings -a -e l "$sendto")" ||
  fail "the Send to shortcut does not lead to kelvconv.exe"
[ -f "$readme_link" ] || fail "no Start menu entry for the README"
links_to() { contains "kelvconv\\\\$1\$" "$(strings -a "$readme_link"; strings -a -e l "$readme_link")"; }
links_to 'README\.txt' || fail "the Start menu entry does not lead to README.txt"
ok "Send to and Start menu entries"
[ "$(regvalue "$uninstall_key" DisplayName)" = "kelvconv $version" ] || fail "DisplayName"
[ "$(regvalue "$uninstall_key" DisplayVersion)" = "$version" ] || fail "DisplayVersion"
[ "$(regvalue "$uninstall_key" Publisher)" = "the kelvconv developers" ] || fail "Publisher"
[ "$(regvalue "$uninstall_key" UninstallString)" = "\"$windows_folder\\uninstall.exe\"" ] ||
  fail "UninstallString: $(regvalue "$uninstall_key" UninstallString)"
quiet=$(regvalue "$uninstall_key" QuietUninstallString)
[ "$quiet" = "\"$windows_folder\\uninstall.exe\" /S" ] || fail "QuietUninstallString: $quiet"
size=$(regvalue "$uninstall_key" EstimatedSize)
[ $((size)) -gt 1000 ] || fail "EstimatedSize: $size KiB"
[ "$(regvalue "$uninstall_key" NoModify)" = 0x1 ] || fail "NoModify"
[ "$(regvalue "$uninstall_key" NoRepair)" = 0x1 ] || fail "NoRepair"
ok "installed programs entry ($((size)) KiB)"
told=$(tr -d '\r' <"$code_told" 2>/dev/null || true)
[ "$told" = "--install-extension \"$windows_folder\\$vsix\"" ] || fail "VS Code's command was asked: $told"
cmp -s "$folder/$vsix" "$work/zip/$top/$vsix" || fail "the installed $vsix is not the zip's"
ok "the extension installed and given to VS Code's command"

# kelvconv.com double-clicked (alone on a console of its own) tells how it is used and waits for
# a key (given here); started from a shell it says nothing.
greeting=$(printf x | script -qec "KELV_WINE_PREFIX='$prefix' build/windows/wine.sh '$windows_folder\\kelvconv.com'" /dev/null)
grep -q 'Press any key' <<<"$greeting" || fail "kelvconv.com alone: $greeting"
[ -z "$(wine cmd /c kelvconv | tr -d '\r')" ] || fail "kelvconv.com from cmd greets"
ok "kelvconv.com started alone tells how it is used; from a shell it does not"

# The texts of the installer's and the uninstaller's pages, as built: every text of
# installer.nsi (each line of it, with the version filled in, where it has no other variable)
# in one of them, in both languages; the components' names short enough for their list (about
# 140 pixels beside the description pane: 22 columns, a Japanese character counting two), each
# component with a description; in Japanese, no half-width katakana and the glossary's
# フォルダー and インストーラー.
nsi=packaging/installer.nsi
texts=$(nsis_strings "$setup"; nsis_strings "$folder/uninstall.exe")
langstrings() {  # NAME: its text in each language, one per line
  sed -n "s/^LangString $1 \${LANG_[A-Z]*} \"\(.*\)\"\$/\1/p" "$nsi"
}
count=0
while IFS= read -r text; do
  text=${text//'${VERSION}'/$version}
  while IFS= read -r line; do
    [ -n "$line" ] && [[ "$line" != *'$'* ]] || continue
    grep -qF -e "$line" <<<"$texts" || fail "the installer does not show: $line"
    count=$((count + 1))
  done <<<"${text//'$\r$\n'/$'\n'}"
done < <(sed -n 's/^LangString [^ ]* \${LANG_[A-Z]*} "\(.*\)"$/\1/p' "$nsi")
[ "$count" -gt 40 ] || fail "only $count texts of $nsi found to look for"
for name in $(sed -n -e 's/^Section "\$(\([A-Za-z]*\))".*/\1/p' \
                     -e 's/.*SectionSetText [^ ]* "\$(\([A-Za-z]*\))".*/\1/p' "$nsi"); do
  [ "$(langstrings "$name" | wc -l)" = 2 ] || fail "the component name $name is not in both languages"
  while IFS= read -r text; do
    width=$(LC_ALL=C.UTF-8 wc -L <<<"$text")
    [ "$width" -le 22 ] || fail "the component name \"$text\" takes $width columns, more than its list"
  done < <(langstrings "$name")
done
for section in $(sed -n 's/^Section "[^"]*" \(Sec[A-Za-z]*\)$/\1/p' "$nsi"); do
  description=$(sed -n "s/.*MUI_DESCRIPTION_TEXT \\\${$section} \"\\\$(\([A-Za-z]*\))\".*/\1/p" "$nsi")
  [ -n "$description" ] && [ "$(langstrings "$description" | wc -l)" = 2 ] ||
    fail "the component $section has no description in both languages"
done
stock=$(LC_ALL=C.UTF-8 grep -P '[\x{FF61}-\x{FF9F}]{2}|フォルダ([^ー]|$)|インストーラ([^ー]|$)' <<<"$texts" || true)
[ -z "$stock" ] || fail "stock Japanese in the installer: $stock"
ok "the installer's and uninstaller's $count texts, in both languages; components' names and descriptions"

eval "set -- $quiet"
wine "$@"
settle
told=$(tr -d '\r' <"$code_told" | tail -n 1)
[ "$told" = "--uninstall-extension kelvconv.kelvconv" ] || fail "VS Code's command was asked at the uninstall: $told"
[ ! -e "$folder" ] || fail "left after the uninstall: $(ls -A "$folder" | tr '\n' ' ')"
[ ! -e "$sendto" ] || fail "the Send to shortcut is left"
[ ! -e "$readme_link" ] || fail "the Start menu entry is left"
# The uninstaller runs from a copy of itself in the user's temporary folder, which Windows
# removes with the next restart: that is not counted.
files_after=$(list_files | grep -v '/Temp/~nsu[^/]*\.tmp/' || true)
[ "$files_after" = "$files_before" ] ||
  fail "files after the uninstall:$(diff <(echo "$files_before") <(echo "$files_after") | sed 's/^/ /')"
[ "$(regvalue "$env_key" Path)" = "$path_before" ] ||
  fail "PATH after the uninstall: $(regvalue "$env_key" Path)"
! grep -il kelvconv "$prefix"/*.reg >/dev/null || fail "the registry still names kelvconv: $(grep -i kelvconv "$prefix"/*.reg)"
ok "uninstalled: the extension out of VS Code; no file, link, registry key or PATH entry left"

# A PATH longer than the installer's strings is never written back cut: it stays as it was.
long=$(printf 'C:\\a-folder-with-a-long-name-%04d;' $(seq 1 40))
long=${long%;}
wine reg add "$env_key" /v Path /t REG_EXPAND_SZ /d "$long" /f >/dev/null
wine_in ja_JP.UTF-8 "$setup" /S  # Wine's UI language: Japanese
settle
[ -f "$folder/kelvconv.com" ] || fail "not installed with a long PATH"
# The installer speaks the user's language: its Japanese pages lead to the Japanese README.
links_to 'README\.ja\.txt' || fail "in Japanese, the Start menu entry does not lead to README.ja.txt"
ok "in Japanese, the Start menu entry leads to README.ja.txt"
[ "$(regvalue "$env_key" Path)" = "$long" ] || fail "a PATH of ${#long} characters was changed"
[ "$(wc -l <"$code_told")" = 2 ] || fail "without code on the PATH, VS Code's command was asked: $(cat "$code_told")"
# Uninstalled as the README tells scripts that must wait for it: in place with _?=, waited for by
# start /wait, then its own file and the folder removed.
wine cmd /c start "" /wait "$windows_folder\\uninstall.exe" /S "_?=$windows_folder"
[ "$(ls -A "$folder" 2>&1)" = uninstall.exe ] ||
  fail "when start /wait returned, the folder held: $(ls -A "$folder" 2>&1 | tr '\n' ' ')"
wine cmd /c del "$windows_folder\\uninstall.exe"
wine cmd /c rmdir "$windows_folder"
settle
[ "$(regvalue "$env_key" Path)" = "$long" ] || fail "the uninstall changed a PATH of ${#long} characters"
[ ! -e "$folder" ] || fail "left after the uninstall: $(ls -A "$folder" | tr '\n' ' ')"
ok "a PATH of ${#long} characters is left as it was, by the install and the uninstall"

echo "all packages checked"
