#!/usr/bin/env bash
# Adds seeds to fuzz/corpus/ from the tests' sources and from examples/:
# - converters/: every source of the cases under tests/cases (saved by the case runner when
#   KELV_SEED_DIR is set) and every file under examples/ whose name has a route: one byte
#   naming the route, then the source;
# - lines/: the same files (their first byte picks the line buffer and the block pattern);
# - files/: for each route, two of its seeds run one after the other, and one seed of every
#   route in a row, joined by the byte 0x1E.
# Seeds are named by a hash of their bytes, so running it again adds only what is new. Sources
# over 8 KiB are passed over: the targets cut their inputs to that (fuzz/run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset gcc >/dev/null && cmake --build --preset gcc >/dev/null
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz --target kelv_fuzz_seed >/dev/null

corpus=fuzz/corpus
mkdir -p "$corpus/converters" "$corpus/lines" "$corpus/files"
fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT

KELV_SEED_DIR="$fresh" build/gcc/kelvconv_tests >/dev/null
if [ -d examples ]; then
  find examples -type f -print0 | xargs -0 -r build/fuzz/fuzz/kelv_fuzz_seed "$fresh" >/dev/null
fi
find "$fresh" -type f -size +8192c -delete
cp "$fresh"/* "$corpus/converters/" 2>/dev/null || true
cp "$fresh"/* "$corpus/lines/" 2>/dev/null || true

# Multi-file seeds, from the fresh seeds grouped by their route byte.
declare -A first
all=""
for f in "$fresh"/*; do
  [ -f "$f" ] || continue
  route=$(head -c1 "$f" | od -An -tu1 | tr -d ' ')
  if [ -z "${first[$route]:-}" ]; then
    first[$route]=$f
    all="$all $f"
  elif [ "${first[$route]}" != done ]; then
    { cat "${first[$route]}"; printf '\036'; cat "$f"; } >"$fresh/pair"
    name=$(cksum <"$fresh/pair" | cut -d' ' -f1)
    mv "$fresh/pair" "$corpus/files/pair-$route-$name"
    first[$route]=done
  fi
done
if [ -n "$all" ]; then
  # shellcheck disable=SC2086
  { sep=""; for f in $all; do printf '%b' "$sep"; cat "$f"; sep='\036'; done; } >"$fresh/row"
  mv "$fresh/row" "$corpus/files/row-$(cksum <"$fresh/row" | cut -d' ' -f1)"
fi
echo "seeds: $(ls "$corpus/converters" | wc -l) converters, $(ls "$corpus/lines" | wc -l) lines," \
  "$(ls "$corpus/files" | wc -l) files"
