#!/bin/bash
# quorlin-cipher against cat on the same file, run alternately: the wall time of encrypting and
# decrypting file to file and standard input to standard output, as a ratio to `cat in > out`, and the
# tool's peak memory. Build Release first (cmake --preset release; cmake --build --preset release
# --target quorlin-cipher); the figures of other builds mean little.
#
#   bench/cli_vs_cat.sh [--size MiB] [--rounds N] [--dir FOLDER] [TOOL]
#
# Each run is set against cat on the same input: how the page cache holds a file (in small or large
# folios, depending on how it was written) changes the cost of reading it. A file output is flushed to
# disk before it is renamed into place, and cat's is not, so file to file is also set against
# `cat in > out; sync out`, which flushes it too; standard output is not flushed by the tool, so those
# runs compare like with like. Each run starts from a freshly removed output and an empty write-back
# queue. The figures are medians over the rounds, of the wall time (the goal) and of the processor
# time, user and system, of all threads: on a machine busy with other work the wall time swings with
# the load, the processor time much less. A first round, not counted, brings both files into the page
# cache.
set -euo pipefail
export LC_ALL=C

size=1024
rounds=5
dir=${TMPDIR:-/tmp}
tool=
while (($#)); do
  case $1 in
    --size) size=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --dir) dir=$2; shift 2 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) tool=$1; shift ;;
  esac
done
tool=${tool:-$(dirname "$0")/../build/release/cipher/quorlin-cipher}
[[ -x $tool ]] || { echo "no tool at $tool: build it first" >&2; exit 2; }
tool=$(realpath "$tool")

work=$(mktemp -d "$dir/cli-vs-cat.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
head -c "${size}M" /dev/urandom >plain
QUORLIN_PASSWORD=2024 "$tool" encrypt plain enc
export QUORLIN_PASSWORD=2024

# The runs, by name; each writes out.
declare -A commands=(
  [cat]='cat plain >out'
  [cat+sync]='cat plain >out; sync out'
  [cat-enc]='cat enc >out'
  [cat-enc+sync]='cat enc >out; sync out'
  [encrypt]='"$tool" encrypt plain out'
  [decrypt]='"$tool" decrypt enc out'
  [encrypt-stdio]='"$tool" encrypt - - <plain >out'
  [decrypt-stdio]='"$tool" decrypt - - <enc >out'
)
order=(cat encrypt cat+sync encrypt-stdio cat-enc decrypt cat-enc+sync decrypt-stdio)
declare -A times cpus
TIMEFORMAT='%R %U %S'

for ((round = -1; round < rounds; ++round)); do
  for name in "${order[@]}"; do
    rm -f out
    sync
    { time eval "${commands[$name]}"; } 2>timing
    read -r real user system <timing
    if [[ $name == decrypt* ]] && ! cmp -s plain out; then
      echo "$name did not give the plain text back" >&2
      exit 1
    fi
    ((round >= 0)) || continue
    times[$name]+="$real "
    cpus[$name]+="$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.3f", u + s }') "
  done
done

median() { tr ' ' '\n' | grep . | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
declare -A medians cpuMedians
for name in "${order[@]}"; do
  medians[$name]=$(median <<<"${times[$name]}")
  cpuMedians[$name]=$(median <<<"${cpus[$name]}")
done
ratio() {
  awk -v a="${medians[$1]}" -v b="${medians[$2]}" -v c="${cpuMedians[$1]}" -v d="${cpuMedians[$2]}" \
    'BEGIN { printf "%.2f   (processor time %.2f)", a / b, c / d }'
}

rm -f out
peak=
[[ -x /usr/bin/time ]] && peak=$( { /usr/bin/time -f %M "$tool" encrypt plain out 2>&1 >/dev/null; } | tail -1)

echo "$size MiB, $rounds rounds, in $dir; median wall and processor seconds, then each round's wall:"
for name in "${order[@]}"; do
  printf '  %-14s %6.3f %6.3f   (%s)\n' "$name" "${medians[$name]}" "${cpuMedians[$name]}" "${times[$name]% }"
done
echo "ratios:"
echo "  encrypt file to file / cat:           $(ratio encrypt cat)"
echo "  encrypt file to file / cat + sync:    $(ratio encrypt cat+sync)"
echo "  encrypt stdin to stdout / cat:        $(ratio encrypt-stdio cat)"
echo "  decrypt file to file / cat:           $(ratio decrypt cat-enc)"
echo "  decrypt file to file / cat + sync:    $(ratio decrypt cat-enc+sync)"
echo "  decrypt stdin to stdout / cat:        $(ratio decrypt-stdio cat-enc)"
if [[ $peak ]]; then
  echo "peak memory of encrypt file to file: $((peak / 1024)) MiB ($peak KiB)"
else
  echo "peak memory: needs GNU time at /usr/bin/time"
fi
