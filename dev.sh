#!/usr/bin/env bash
# kelvconv's developer commands. Each installs what it needs first (as root with apt-get),
# or prints the exact line that would.
#
#   ./dev.sh examples   build kelvconv and convert the sample game in examples/game
#   ./dev.sh test       build with g++ and clang (warnings as errors) and run the tests, then
#                       once more under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./dev.sh cases [--update]
#                       run the converter cases (tests/cases; their syntax atop
#                       tests/cases_test.cpp); with --update, write anew the whole expectations
#                       of those whose output changed, on purpose (then review them with git
#                       diff); a partial expectation that fails is only reported
#   ./dev.sh windows    cross-build kelvconv.exe, kelvconv.com and the tests for Windows with
#                       MinGW-w64, run the tests under Wine, and check that the sample game
#                       converts under Wine byte for byte as it does here
#   ./dev.sh package    build the packages into build/package/ (the Debian package, a tarball
#                       of the installed tree, the Windows zip and installer, which carry the
#                       editor extension that ./dev.sh vscode makes first) and check them with
#                       packaging/check.sh, which installs and removes the Debian package on
#                       this machine and the Windows one under Wine
#   ./dev.sh fuzz [SECS] [--merge] [TARGET...]
#                       build the fuzz targets with clang and libFuzzer and run each for SECS
#                       seconds (60 by default); exits 1 on a finding (see fuzz/run.sh)
#   ./dev.sh vscode     build the editor extension build/vscode/kelvconv-VERSION.vsix (its grammar
#                       and file patterns made from kelvconv --explain --json), after testing its
#                       client code against the server under Node
#   ./dev.sh bench [--runs N] [WORKLOAD...]
#                       build kelvconv optimised and measure it beside copying the same bytes
#                       (see bench/bench.cpp); the workloads go to build/bench/work
#   ./dev.sh mutants [-j JOBS] [--check] [ID|FOLDER|FILE...]
#                       measure the tests by breaking the code: apply each single fault of
#                       tests/mutants.txt in turn, rebuild in build/mutants (g++), run the tests
#                       until one fails, put the file back, and print which test caught each
#                       fault and the score per folder of src/; only the faults named, if any;
#                       --check only tells the faults whose text is no longer found (stale).
#                       Slow (a build per fault): CI does not run it (see tests/mutants.sh)
set -euo pipefail
cd "$(dirname "$0")"

# Debian packages each command needs.
examples_packages=(cmake ninja-build g++ nlohmann-json3-dev gettext)
test_packages=(cmake ninja-build g++ clang libgtest-dev nlohmann-json3-dev gettext man-db neovim)
fuzz_packages=(cmake ninja-build clang libclang-rt-14-dev nlohmann-json3-dev gettext)
bench_packages=(cmake ninja-build g++ nlohmann-json3-dev strace gettext)
windows_packages=(cmake ninja-build g++ g++-mingw-w64-x86-64 googletest wine wine64 locales nlohmann-json3-dev
                  librsvg2-bin icoutils gettext)
package_packages=("${windows_packages[@]}" nsis dpkg-dev lintian file man-db unzip bsdutils xz-utils)
vscode_packages=(cmake ninja-build g++ nlohmann-json3-dev gettext)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

need() {
  command -v dpkg-query >/dev/null || return 0  # not Debian: trust the PATH
  local missing=()
  for p in "$@"; do installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
    echo "== installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "missing packages; install them with:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
}

build() {  # build PRESET
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}

# Node and npm: those on the PATH, else Debian's (nodejs 18 and npm).
need_node() {
  if ! command -v node >/dev/null || ! command -v npm >/dev/null; then need nodejs npm; fi
}

# The editor extension, build/vscode/kelvconv-VERSION.vsix, its client code tested against the
# server first.
vscode_extension() {
  build release
  local stage=build/vscode
  rm -rf "$stage"
  mkdir -p "$stage"
  tar -C editors/vscode --exclude=node_modules -cf - . | tar -C "$stage" -xf -
  cp LICENSE "$stage/LICENSE"
  echo "== npm packages (as pinned in package-lock.json)"
  # No install scripts: none of the packages needs one to package an extension, and some would
  # try to fetch prebuilt binaries.
  (cd "$stage" && npm ci --no-audit --no-fund --ignore-scripts --loglevel=error)
  node "$stage/scripts/generate.js" build/release/kelvconv "$stage"
  echo "== the client code against the server"
  (cd "$stage" && KELVCONV="$PWD/../release/kelvconv" node --test test/)
  echo "== the extension"
  (cd "$stage" && node_modules/.bin/vsce package --allow-missing-repository)
  ls -l "$stage"/*.vsix
}

case "${1:-}" in
  examples)
    need "${examples_packages[@]}"
    build release
    rm -rf build/examples
    mkdir -p build/examples
    cp -R examples/game build/examples/
    echo "== converting the sample game in build/examples/game"
    build/release/kelvconv --yes --verbose build/examples/game/*.txt
    ;;
  test)
    need "${test_packages[@]}"
    for preset in gcc clang asan; do
      echo "== $preset"
      build "$preset"
      ctest --preset "$preset"
    done
    ;;
  cases)
    need "${test_packages[@]}"
    build gcc
    if [ "${2:-}" = --update ]; then
      KELV_UPDATE_CASES=1 build/gcc/kelvconv_tests --gtest_filter='Cases*' --gtest_brief=1
      git status --short -- tests/cases
    else
      build/gcc/kelvconv_tests --gtest_filter='Cases*' --gtest_brief=1
    fi
    ;;
  windows)
    need "${windows_packages[@]}"
    build windows
    echo "== checking the programs"
    for program in build/windows/kelvconv.exe build/windows/kelvconv.com; do
      headers=$(x86_64-w64-mingw32-objdump -p "$program")
      # Linked statically: nothing imported but the system's own DLLs.
      others=$(grep 'DLL Name:' <<<"$headers" | awk '{print $3}' |
               grep -viE '^(kernel32|user32|shell32|comctl32|gdi32|msvcrt|advapi32)\.dll$' || true)
      [ -z "$others" ] || { echo "$program needs DLLs beside it: $others" >&2; exit 1; }
      # kelvconv.exe is windowed (subsystem 2), kelvconv.com a console program (3).
      want=2; [ "${program##*.}" = com ] && want=3
      grep -qE "^Subsystem[[:space:]]+0+$want[[:space:]]" <<<"$headers" ||
        { echo "$program is not of subsystem $want" >&2; exit 1; }
      grep -q longPathAware "$program" || { echo "$program has no manifest" >&2; exit 1; }
    done
    if [ ! -f build/windows/wineprefix/system.reg ]; then
      echo "== making the Wine prefix (once)"
      time build/windows/wine.sh wineboot -i
    fi
    echo "== tests under Wine"
    ctest --preset windows
    echo "== the sample game, converted on Linux and under Wine"
    build release
    rm -rf build/windows/examples
    mkdir -p build/windows/examples/linux build/windows/examples/cp932 build/windows/examples/cp1252
    for copy in linux cp932 cp1252; do cp -R examples/game "build/windows/examples/$copy/"; done
    build/release/kelvconv --yes build/windows/examples/linux/game/*.txt
    for locale in ja_JP:cp932 en_US:cp1252; do
      (cd "build/windows/examples/${locale#*:}/game" &&
       LC_ALL="${locale%:*}.UTF-8" ../../../wine.sh ../../../kelvconv.com --yes ./*.txt)
      diff -r build/windows/examples/linux/game "build/windows/examples/${locale#*:}/game"
    done
    echo "the same $(ls build/windows/examples/linux/game/*.dat | wc -l) data files"
    ;;
  package)
    need "${package_packages[@]}" "${vscode_packages[@]}"
    need_node
    vscode_extension
    build linux
    build windows
    rm -rf build/package
    echo "== packages"
    cpack --config build/linux/CPackConfig.cmake
    cpack --config build/windows/CPackConfig.cmake
    cmake --build --preset windows --target installer
    rm -rf build/package/_CPack_Packages
    packaging/check.sh
    ls -l build/package
    ;;
  fuzz)
    need "${fuzz_packages[@]}"
    exec fuzz/run.sh "${@:2}"
    ;;
  vscode)
    need "${vscode_packages[@]}"
    need_node
    vscode_extension
    ;;
  bench)
    need "${bench_packages[@]}"
    build bench >/dev/null
    build/bench/bench/kelv_bench --work build/bench/work "${@:2}"
    ;;
  mutants)
    need "${test_packages[@]}"
    exec tests/mutants.sh "${@:2}"
    ;;
  *)
    sed -n '2,/^set /{/^#/p}' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
