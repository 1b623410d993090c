#!/usr/bin/env bash
# kelvconv's developer commands. Each installs what it needs first (as root with apt-get),
# or prints the exact line that would.
#
#   ./dev.sh examples   build kelvconv and convert the sample game in examples/game
#   ./dev.sh test       build with g++ and clang (warnings as errors) and run the tests, then
#                       once more under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./dev.sh fuzz [SECS] [--merge] [TARGET...]
#                       build the fuzz targets with clang and libFuzzer and run each for SECS
#                       seconds (60 by default); exits 1 on a finding (see fuzz/run.sh)
set -euo pipefail
cd "$(dirname "$0")"

# Debian packages each command needs.
examples_packages=(cmake ninja-build g++)
test_packages=(cmake ninja-build g++ clang libgtest-dev)
fuzz_packages=(cmake ninja-build clang libclang-rt-14-dev)

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
  fuzz)
    need "${fuzz_packages[@]}"
    exec fuzz/run.sh "${@:2}"
    ;;
  *)
    sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
