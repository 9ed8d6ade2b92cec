#!/usr/bin/env bash
# Times one ssave over an existing file, small (a line of 100 bytes) and large (50 MB), to weigh
# the flushes that let a save survive a power loss. Each console runner given is timed in turn
# (build/tovl-console when none is), so that one built from an earlier version can be timed
# beside the current one. A run loads the text once and saves it SAVES times; a run that only
# loads it is timed as well and taken off, and the difference of the medians over RUNS runs,
# divided by SAVES, is one save. The files are written in $TMPDIR (/tmp when unset): the figures
# are those of its file system.
#
# usage: bench/save_durability.sh [TOVL-CONSOLE...]
#        RUNS=7 SMALL_SAVES=200 LARGE_SAVES=3 bench/save_durability.sh ...
set -euo pipefail
cd "$(dirname "$0")/.."

consoles=("${@:-build/tovl-console}")
runs=${RUNS:-7}
work=$(mktemp -d "${TMPDIR:-/tmp}/tovl-save-XXXXXX")
trap 'rm -rf "$work"' EXIT

# sload ends the text with CR LF and ssave adds another: 96 letters make a 100-byte file.
head -c 96 /dev/zero | tr '\0' x >"$work/small.txt"
head -c 50000000 /dev/zero | tr '\0' x >"$work/large.txt"

# A script that loads SOURCE and saves it COUNT times over one file.
make_script() {
  local source=$1 count=$2 script=$work/$1-$2.tovl
  {
    printf 'fnumv2\nfsetv1%s\nsload21\nfsetv1%s\n' "$work/$source.txt" "$work/saved.txt"
    for ((i = 0; i < count; i++)); do echo ssave21; done
  } >"$script"
  echo "$script"
}

# The median wall time of RUNS runs, in microseconds.
median_us() {
  local times=() start
  for ((run = 0; run < runs; run++)); do
    start=$(date +%s%N)
    "$@" >/dev/null
    times+=($((($(date +%s%N) - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

printf '%-50s %-6s %12s\n' "runner" "size" "one save"
for console in "${consoles[@]}"; do
  for size in small large; do
    saves=$([[ $size == small ]] && echo "${SMALL_SAVES:-200}" || echo "${LARGE_SAVES:-3}")
    loaded=$(median_us "$console" "$(make_script $size 0)")
    saved=$(median_us "$console" "$(make_script $size "$saves")")
    awk -v c="$console" -v s=$size -v t=$(((saved - loaded) / saves)) \
      'BEGIN { printf "%-50s %-6s %9.2f ms\n", c, s, t / 1000 }'
  done
done
