#!/usr/bin/env bash
# Measures the tests by breaking the code: applies each single fault of tests/mutants.txt in turn,
# rebuilds incrementally in build/mutants (g++, no sanitizer), runs the test program and the
# ctest scripts, stopping at the first failure, and puts the file back whatever happens. Prints
# one row per fault (caught, survived, stale, build-failed; the test that caught it) and the
# score per folder of src/.
#
#   tests/mutants.sh [-j JOBS] [--check] [ID|FOLDER|FILE...]
#
# -j: parallel compile jobs (all the machine's cores by default). --check: only tell the stale
# faults, without building. IDs (D1), folders of src/ (driver) or files (driver/run.cpp) run
# those faults alone. Exits 1 when a fault survived, was stale or did not build.
set -uo pipefail
cd "$(dirname "$0")/.."

list=tests/mutants.txt
build=build/mutants
jobs=$(nproc)
check_only=false
wanted=()
while [ $# -gt 0 ]; do
  case "$1" in
    -j) jobs=$2; shift 2 ;;
    -j*) jobs=${1#-j}; shift ;;
    --check) check_only=true; shift ;;
    *) wanted+=("$1"); shift ;;
  esac
done

# ---- the list -------------------------------------------------------------------------------
ids=() files=() whats=() texts=() replacements=()
add() {  # the block read last
  [ -n "${id:-}" ] || return 0
  ids+=("$id") files+=("$file") whats+=("$what") texts+=("$text") replacements+=("$replacement")
}
id=
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in
    '#'* | '') ;;
    '-'*) text+="${text_lines:+$'\n'}${line:2}" text_lines+=1 ;;
    '+'*) replacement+="${replacement_lines:+$'\n'}${line:2}" replacement_lines+=1 ;;
    *)
      add
      read -r id file what <<<"$line"
      text='' replacement='' text_lines='' replacement_lines=''
      ;;
  esac
done <"$list"
add

selected() {  # INDEX
  [ ${#wanted[@]} -eq 0 ] && return 0
  local w
  for w in "${wanted[@]}"; do
    [ "$w" = "${ids[$1]}" ] || [ "$w" = "${files[$1]}" ] || [ "$w" = "${files[$1]%%/*}" ] &&
      return 0
  done
  return 1
}
any=false
for i in "${!ids[@]}"; do selected "$i" && any=true; done
$any || { echo "no fault is named ${wanted[*]}" >&2; exit 1; }

# How many times the text occurs in the file (the text and its replacement come in the
# environment, so that nothing in them is read as a pattern).
occurrences() {  # FILE
  perl -0777 -ne '$n = () = /\Q$ENV{TEXT}\E/g; print $n' "$1"
}

# ---- the working tree, restored whatever happens -------------------------------------------
mkdir -p "$build"
saved="$build/saved"       # the file as it was
applied="$build/applied"   # the path of the file while a fault is in it
restore() {
  if [ -f "$applied" ]; then
    cp "$saved" "$(cat "$applied")" && rm -f "$applied"
  fi
}
restore  # what a run killed outright left
stop() {
  restore
  echo
  echo "stopped"
  exit 130
}
trap restore EXIT
trap stop INT TERM HUP
# Ctrl-C stops the build or the tests, which end with status 130; the shell lets it pass then,
# as a signal the program took, so the status tells.
stopped_if() {  # STATUS
  [ "$1" -ne 130 ] || stop
}

build_it() {
  cmake --build "$build" -j "$jobs" >"$build/build.log" 2>&1
  local status=$?
  stopped_if $status
  return $status
}

# Runs the suite; prints the first test that failed, if one did. Ends with status 130 when
# stopped.
suite() {
  local out status
  out=$(timeout --foreground 600 "$build/kelvconv_tests" --gtest_fail_fast --gtest_brief=1 2>&1)
  status=$?
  [ $status -ne 130 ] || return 130
  if [ $status -ne 0 ]; then
    local name
    name=$(grep -m1 '^\[  FAILED  \] ' <<<"$out" | sed 's/^\[  FAILED  \] \([^ ,]*\).*/\1/')
    # A crash or a hang names no failure: the test that was running.
    [ -n "$name" ] || name="$(grep '^\[ RUN      \] ' <<<"$out" | tail -n1 |
                              sed 's/^\[ RUN      \] //') (status $status)"
    echo "$name"
    return
  fi
  # The scripts ctest runs beside the test program (their names have no dot).
  out=$(ctest --test-dir "$build" -E '\.' --stop-on-failure 2>&1)
  status=$?
  [ $status -ne 130 ] || return 130
  [ $status -eq 0 ] ||
    grep -m1 -E '\*\*\*|Failed' <<<"$out" | sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/'
}

# ---- the run --------------------------------------------------------------------------------
rows=()
declare -A caught=() tried=()
bad=0
record() {  # INDEX RESULT [TEST]
  local folder=${files[$1]%%/*}
  rows+=("| ${ids[$1]} | $folder | ${whats[$1]} | $2 | ${3:-} |")
  case "$2" in
    caught | survived) tried[$folder]=$((${tried[$folder]:-0} + 1)) ;;&
    caught) caught[$folder]=$((${caught[$folder]:-0} + 1)) ;;
    *) bad=1 ;;
  esac
}

if ! $check_only; then
  echo "== building $build"
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Debug \
      -DKELV_WERROR=OFF >/dev/null || exit 1
  fi
  build_it || { echo "the code does not build without a fault: see $build/build.log" >&2; exit 1; }
  failed=$(suite)
  stopped_if $?
  [ -z "$failed" ] || { echo "the tests fail without a fault: $failed" >&2; exit 1; }
fi

for i in "${!ids[@]}"; do
  selected "$i" || continue
  path="src/${files[$i]}"
  n=0
  [ -f "$path" ] && n=$(TEXT=${texts[$i]} occurrences "$path")
  if [ "$n" != 1 ]; then
    echo "${ids[$i]}: stale: src/${files[$i]} holds this text $n times:" >&2
    sed 's/^/    /' <<<"${texts[$i]}" >&2
    record "$i" stale
    continue
  fi
  $check_only && continue
  echo "== ${ids[$i]} ${files[$i]}: ${whats[$i]}"
  cp "$path" "$saved" && echo "$path" >"$applied"
  TEXT=${texts[$i]} REPLACEMENT=${replacements[$i]} \
    perl -0777 -pi -e 's/\Q$ENV{TEXT}\E/$ENV{REPLACEMENT}/' "$path"
  if ! build_it; then
    cp "$build/build.log" "$build/${ids[$i]}.log"
    record "$i" build-failed "(see $build/${ids[$i]}.log)"
  else
    failed=$(suite)
    stopped_if $?
    if [ -n "$failed" ]; then record "$i" caught "$failed"; else record "$i" survived; fi
  fi
  restore
done
$check_only && exit $bad

# Rebuilt as it is, so that the next run starts from the code and not from the last fault.
build_it || true

echo
echo "| id | folder | fault | result | caught by |"
echo "|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
echo
total=0 all=0
for folder in $(printf '%s\n' "${!tried[@]}" | sort); do
  c=${caught[$folder]:-0} t=${tried[$folder]}
  echo "$folder: $c/$t ($((100 * c / t))%)"
  total=$((total + c)) all=$((all + t))
done
[ $all -eq 0 ] || echo "overall: $total/$all ($((100 * total / all))%)"
others=$(printf '%s\n' "${rows[@]}" | grep -cE '\| (stale|build-failed) \|')
[ "$others" -eq 0 ] || echo "not counted: $others stale or not built"
exit $bad
