#!/usr/bin/env bash
# Quembly at scale: the window on archives of 100,000 and 1,000,000 entries (filled, less an
# empty start, and peak memory), sorting the entry table's 100,000 and 1,000,000 rows by each
# column, and deleting one entry of a 1 GB archive beside `zip -d`. Every run is under
# /usr/bin/time -v; the rounds alternate the order of Quembly and its peer, and the table
# gives medians.
#
#   bench/scale.sh [BUILD_DIR] [ROUNDS]      (default build/, 3 rounds)
#
# The large inputs are made once, in $QUEMBLY_BENCH_DATA (default /tmp/quembly-benchdata), and
# kept there: million.zip (1,000,000 small stored files, 130 MB) and gigabyte.zip (1,000
# deflated entries, 1.2 GB). The delete works on copies beside them.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-${QUEMBLY_BUILD_DIR:-$here/build}}"
rounds="${2:-3}"
build=$(cd "$build" && pwd)
data="${QUEMBLY_BENCH_DATA:-/tmp/quembly-benchdata}"
cmake --build "$build" --target quembly window_bench grid_bench zipper unzipper >/dev/null
for tool in zip unzip python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "scale.sh: $tool is missing (scripts/setup)" >&2; exit 1; }
done
mkdir -p "$data"
work=$(mktemp -d "${TMPDIR:-/tmp}/quembly-scale-XXXXXX")
trap 'rm -rf "$work" "$data"/delete-*.zip "${memory:-}"' EXIT
export QT_QPA_PLATFORM=offscreen HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
export QUEMBLY_REGISTRY="$work/home/registry.reg" XDG_RUNTIME_DIR="$work/home/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Each input is written under a temporary name and renamed when whole.
python3 - "$data" "$work" <<'PY'
import os, random, sys, zipfile
data, work = sys.argv[1], sys.argv[2]
def make(path, fill):
    if os.path.exists(path):
        return
    print("making", path, "...", flush=True)
    with zipfile.ZipFile(path + ".part", "w") as z:
        fill(z)
    os.rename(path + ".part", path)
def million(z):
    for i in range(1000000):
        info = zipfile.ZipInfo("d%03d/s%02d/f%07d.txt" % (i % 1000, i % 50, i), (2020, 1, 1, 0, 0, 0))
        z.writestr(info, "line %d\n" % i)
def gigabyte(z):
    rng = random.Random(25)
    for i in range(1000):
        info = zipfile.ZipInfo("part%02d/blob%04d.hex" % (i % 20, i), (2021, 6, 1, 12, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, rng.randbytes(1 << 20).hex().encode(), compresslevel=1)
def hundred(z):
    rng = random.Random(7)
    for i in range(100000):
        when = (1990 + rng.randrange(30), 1 + rng.randrange(12), 1 + rng.randrange(28),
                rng.randrange(24), rng.randrange(60), 2 * rng.randrange(30))
        info = zipfile.ZipInfo("folder%03d/sub%02d/file%06d.txt" % (i % 500, i % 37, i), when)
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, ("line %d\n" % i) * rng.randrange(1, 8))
make(os.path.join(data, "million.zip"), million)
make(os.path.join(data, "gigabyte.zip"), gigabyte)
make(os.path.join(work, "hundred.zip"), hundred)
PY

results="$work/results"
: >"$results"
# shellcheck source=bench/timing.sh
. "$here/bench/timing.sh"
# measure WORK TOOL COMMAND: one run under /usr/bin/time; wall time and peak memory kept.
measure() {
    local took
    took=$(timed scale.sh "$1" "$2" "$3")
    echo "$1|$2|$took" >>"$results"
}

# A virtual machine may hand the memory its system has freed back to the host, which then
# makes every first touch of it slow again: whichever delete ran first in a round wrote its
# 1.2 GB into such memory, up to 1.5 s slower, and the one after into the memory the first
# had just freed. Each delete now comes right after 2.5 GB were taken and given back.
take_fresh_memory() {
    dd if=/dev/zero of="$memory/fill" bs=1M count=2560 status=none
    rm -f "$memory/fill"
}
memory=$(mktemp -d /dev/shm/quembly-scale-XXXXXX)

window="$build/bin/window_bench"
gig="$data/gigabyte.zip"
# The entry deleted: one in the middle, so that half the archive is copied after it.
victim="part00/blob0500.hex"
for round in $(seq 1 "$rounds"); do
    echo "round $round of $rounds ..."
    cp "$gig" "$data/delete-q.zip"
    cp "$gig" "$data/delete-z.zip"
    # The 2.4 GB the copies wrote go to the disk now: left in memory, they were written while
    # the first delete of the round ran, and whichever tool came first paid for them.
    sync
    works=(
        "window start, empty@Quembly@$window"
        "window on 100,000 entries@Quembly@$window $work/hundred.zip"
        "window on 1,000,000 entries@Quembly@$window $data/million.zip"
        "delete one entry of 1.2 GB@Quembly@$build/bin/quembly --delete $data/delete-q.zip $victim"
        "delete one entry of 1.2 GB@zip -d@zip -d $data/delete-z.zip $victim"
    )
    if [ $((round % 2)) -eq 0 ]; then
        mapfile -t works < <(printf '%s\n' "${works[@]}" | tac)
    fi
    for w in "${works[@]}"; do
        IFS='@' read -r what tool command <<<"$w"
        if [[ $what == delete* ]]; then
            take_fresh_memory
        fi
        measure "$what" "$tool" "$command"
    done
    if [ "$round" -eq 1 ]; then
        unzip -tqq "$data/delete-q.zip" >/dev/null
    fi
done

echo "sorting the entry table (grid_bench, cells read from sources) ..."
"$build/bin/grid_bench" --benchmark_filter='BM_(FillFromSources|SortBy)' \
    --benchmark_repetitions="$rounds" --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null | grep '_median' >"$work/grid.csv"

python3 - "$results" "$work/grid.csv" <<'PY'
import statistics, sys
def seconds(text):
    parts = [float(p) for p in text.split(":")]
    return sum(p * 60 ** (len(parts) - 1 - i) for i, p in enumerate(parts))
runs = {}
for line in open(sys.argv[1]):
    what, tool, wall, rss = line.rstrip("\n").split("|")
    runs.setdefault((what, tool), []).append((seconds(wall), int(rss) / 1024))
def median(what, tool):
    r = runs[(what, tool)]
    return statistics.median(t for t, _ in r), statistics.median(m for _, m in r)
print()
print("| work | Quembly | peer | ratio |")
print("|---|---|---|---|")
et, em = median("window start, empty", "Quembly")
for n in ("100,000", "1,000,000"):
    t, m = median("window on %s entries" % n, "Quembly")
    print("| window opened and filled on %s entries | %.2f s (%.2f s beyond an empty start), %.0f MiB peak | empty start %.2f s, %.0f MiB | |"
          % (n, t, t - et, m, et, em))
qt, qm = median("delete one entry of 1.2 GB", "Quembly")
zt, zm = median("delete one entry of 1.2 GB", "zip -d")
print("| delete one entry of a 1.2 GB archive | %.2f s, %.0f MiB | `zip -d` %.2f s, %.0f MiB | %.2fx |"
      % (qt, qm, zt, zm, qt / zt))
for line in open(sys.argv[2]):
    fields = line.split(",")
    name, real, unit = fields[0].strip('"'), float(fields[2]), fields[4]
    scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}[unit.strip('"')]
    # Arguments come bare ("BM_X/100000") or named ("BM_X/rows:100000/descending:1").
    parts = name.split("_median")[0].split("/")
    args = dict(p.split(":", 1) if ":" in p else ("rows", p) for p in parts[1:])
    order = {"0": ", ascending", "1": ", descending"}.get(args.get("descending"), "")
    print("| %s, %s rows%s (grid_bench) | %.3f s | | |"
          % (parts[0][3:], format(int(args["rows"]), ","), order, real * scale))
PY
