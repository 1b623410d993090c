#!/usr/bin/env bash
# Builds the fuzz targets (the "fuzz" preset: clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS seconds, one after the other, starting
# from the seeds in fuzz/corpus/<target>. Prints one line per target: seconds, executions,
# corpus, coverage and findings. Exits 1 when anything was found; the inputs that failed are
# kept in build/fuzz/work/<target>/findings/ (reproduce one with:
# build/fuzz/fuzz/kelv_fuzz_<target> FILE).
#
#   fuzz/run.sh [SECONDS] [--merge] [TARGET...]
#
# SECONDS defaults to 60; the TARGETs (lines, converters, files, data, lsp) to all of them. --merge adds
# to fuzz/corpus/ the inputs that reached new edges (cut to 1 KiB, so that the committed corpora
# stay small); the whole corpus of every run stays in build/fuzz/work/<target>/corpus/ and is
# where the next run starts from. Two runs may go side by side on different targets.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
merge=false
targets=()
for arg in "$@"; do
  case "$arg" in
    --merge) merge=true ;;
    [0-9]*) seconds=$arg ;;
    *) targets+=("$arg") ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" _fuzz.cpp)"); done
fi
for name in "${targets[@]}"; do
  if [[ ! "$name" =~ ^[a-z]+$ || ! -f "fuzz/${name}_fuzz.cpp" ]] || [[ ! "$seconds" =~ ^[0-9]+$ ]]; then
    echo "usage: fuzz/run.sh [SECONDS] [--merge] [TARGET...]" >&2
    exit 2
  fi
done

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

bin=build/fuzz/fuzz
work=build/fuzz/work
mkdir -p "$work"

# The dictionary: every kind's name (as the first line of an input names it) and every tag,
# from the program's own catalogue, then bytes and numbers the read rules treat apart.
dict=$work/kelv.dict
{
  echo "# Made by fuzz/run.sh from kelvconv --explain."
  build/fuzz/kelvconv --explain | awk '/^[^ ]/ {print $1}' | while read -r kind; do
    kind=${kind%.txt}
    kind=${kind%\*}
    printf '"%s\\x0a"\n' "$kind"
    build/fuzz/kelvconv --explain "$kind" | grep -oE '^</?[a-z0-9_]+>' | tr -d '</>'
  done | sort -u | while read -r word; do
    case "$word" in
      \"*) echo "$word" ;;
      *) printf '"<%s>"\n"</%s>"\n"%s"\n' "$word" "$word" "$word" ;;
    esac
  done
  printf '"\\x0a"\n"\\x0d\\x0a"\n"\\x0d"\n"\\x1a"\n"\\x00"\n"\\x1e"\n'
  for n in 0 1 -1 2147483647 2147483648 -2147483648 -2147483649 4294967295 4294967296 \
           536870911 536870912 1073741824 16777216 1e39 -1e-46 nan inf infinity 0x10 1.5e+ '#' \
           '\\x81\\x40' '\\x81#' '\\x82\\xa0'; do
    printf '"%s"\n' "$n"
  done
} >"$dict"
found=0
row='%-11s %8s %12s %8s %12s %6s %6s %9s\n'
printf "$row" target seconds executions exec/s corpus cov ft findings
for name in "${targets[@]}"; do
  case "$name" in
    files) max_len=16384 ;;
    *) max_len=8192 ;;
  esac
  dir=$work/$name
  rm -rf "$dir/findings"
  mkdir -p "$dir/corpus" "$dir/findings" "fuzz/corpus/$name"
  # The first folder takes what the run finds; the committed seeds are only read.
  "$bin/kelv_fuzz_$name" "$dir/corpus" "fuzz/corpus/$name" -dict="$dict" \
    -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$dir/findings/" -print_final_stats=1 >"$dir/log" 2>&1 || true
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$dir/log" | tail -1)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$dir/log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9a-zA-Z]*\).*/\1/p' <<<"$last")
  findings=$(find "$dir/findings" -type f | wc -l)
  printf "$row" "$name" "${took:-?}" "${execs:-?}" "${rate:-?}" "${corp:-?}" "${cov:-?}" "${ft:-?}" \
    "$findings"
  if [ "$findings" -gt 0 ]; then
    found=1
    grep -E '^(FINDING|SUMMARY|==[0-9]+==ERROR)|runtime error' "$dir/log" | head -5 | sed 's/^/    /'
    find "$dir/findings" -type f | sed 's/^/    input: /'
  elif [ -z "$took" ]; then
    # Stopped without an input to show for it (a crash while loading, a failed start).
    found=1
    echo "    did not run to its end; see $dir/log"
  fi
  if $merge; then
    # Kept small: only inputs that reach new edges, cut to 1 KiB.
    "$bin/kelv_fuzz_$name" -merge=1 -max_len=1024 -use_counters=0 "fuzz/corpus/$name" \
      "$dir/corpus" >"$dir/merge.log" 2>&1
  fi
done
exit $found
