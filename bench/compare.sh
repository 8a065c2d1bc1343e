#!/usr/bin/env bash
# Quembly side by side with the tools people use instead, on inputs this script makes:
# a 100,000-entry archive and a ~150 MB tree of real files (C headers, shared libraries,
# icons). Each round runs Quembly and its peers one after the other, the order alternating
# from round to round (A B, B A, ...), every run under /usr/bin/time -v; the table gives
# medians of wall time and peak memory and Quembly's ratio to each peer (below 1: faster).
# The machine may be shared: only runs of one round are close enough in time to compare.
#
#   bench/compare.sh [BUILD_DIR] [ROUNDS]      (default build/, 5 rounds)
#
# QUEMBLY_BENCH_ONLY=REGEX runs only the works whose title matches (grep -E), for example
# "extract|1,000,000". The 1,000,000-entry archive (117 MB of small stored files) takes
# minutes to make: with QUEMBLY_BENCH_DATA=FOLDER it is made there once and reused.
#
# Needs zip, unzip, 7z (p7zip-full), zstd and python3; scripts/setup installs them. 7z's level-9
# add takes long, so it runs in the first round only. The extracted trees stay until the end
# (about 0.7 GB a round, see below); on a file system like the one described there, run it
# again only some ten minutes after a previous run has removed its trees.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-${QUEMBLY_BUILD_DIR:-$here/build}}"
rounds="${2:-5}"
build=$(cd "$build" && pwd)
cmake --build "$build" --target quembly window_bench zipper unzipper >/dev/null
quembly="$build/bin/quembly"
window="$build/bin/window_bench"
for tool in zip unzip 7z python3 zstd /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "compare.sh: $tool is missing (scripts/setup)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quembly-compare-XXXXXX")
# The extractions are also run into a memory-backed folder, where no file system's way of
# making files weighs on the comparison.
memory=$(mktemp -d /dev/shm/quembly-compare-XXXXXX)
trap 'rm -rf "$work" "$memory"' EXIT
# The window runs offscreen in a scratch home, so that no setting of the user's is touched.
export QT_QPA_PLATFORM=offscreen HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
export QUEMBLY_REGISTRY="$work/home/registry.reg" XDG_RUNTIME_DIR="$work/home/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

echo "making the inputs in $work ..."
python3 - "$work" <<'PY'
import os, random, shutil, sys, zipfile
work = sys.argv[1]
rng = random.Random(7)
with zipfile.ZipFile(os.path.join(work, "big.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(100000):
        when = (1990 + rng.randrange(30), 1 + rng.randrange(12), 1 + rng.randrange(28),
                rng.randrange(24), rng.randrange(60), 2 * rng.randrange(30))
        info = zipfile.ZipInfo("folder%03d/sub%02d/file%06d.txt" % (i % 500, i % 37, i), when)
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, ("line %d\n" % i) * rng.randrange(1, 8))
# Regular files only (no links), taken in name order until each share is reached.
tree = os.path.join(work, "tree")
for source, share in (("/usr/include", 100 << 20), ("/usr/lib/x86_64-linux-gnu", 40 << 20),
                      ("/usr/share/icons", 10 << 20)):
    taken = 0
    for folder, dirs, files in os.walk(source):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            if os.path.islink(path) or not os.path.isfile(path) or taken >= share:
                continue
            size = os.path.getsize(path)
            if taken + size > share or not os.access(path, os.R_OK):
                continue
            target = os.path.join(tree, os.path.basename(source), os.path.relpath(path, source))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(path, target)
            taken += size
PY
echo "tree: $(find "$work/tree" -type f | wc -l) files," \
    "$(find "$work/tree" -type f -printf '%s\n' | awk '{s += $1} END {printf "%.0f", s / 1e6}') MB"
(cd "$work/tree" && zip -9 -r -q "$work/theirs.zip" .)
# The same tree with the methods decoded by Quembly itself: LZMA as 7-Zip writes it, and
# Zstandard (which neither 7-Zip nor Python writes into ZIP here) assembled from zstd's output.
(cd "$work/tree" && 7z a -bd -bso0 -tzip -mm=LZMA "$work/lzma.zip" .)
python3 - "$work/tree" "$work/zstd.zip" <<'PY'
import os, struct, subprocess, sys, zlib
root, target = sys.argv[1], sys.argv[2]
central, offset = [], 0
with open(target, "wb") as out:
    for folder, dirs, files in os.walk(root):
        dirs.sort()
        for f in sorted(files):
            path = os.path.join(folder, f)
            if os.path.islink(path):
                continue
            data = open(path, "rb").read()
            packed = subprocess.run(["zstd", "-q", "-c", path], capture_output=True, check=True).stdout
            name = os.path.relpath(path, root).encode()
            common = struct.pack("<HHHIIIHH", 93, 0, 0x21, zlib.crc32(data), len(packed), len(data), len(name), 0)
            out.write(b"PK\x03\x04" + struct.pack("<HH", 63, 0x800) + common + name + packed)
            central.append(b"PK\x01\x02" + struct.pack("<HHH", 0x33F, 63, 0x800) + common +
                           struct.pack("<HHHII", 0, 0, 0, 0o100644 << 16, offset) + name)
            offset += 30 + len(name) + len(packed)
    cd = b"".join(central)
    out.write(cd + b"PK\x05\x06" + struct.pack("<IHHII", 0, len(central), len(central), len(cd), offset) + b"\0\0")
PY

# The tree encrypted with AES-256 as 7-Zip writes it (AE-2 entries, authenticated by their
# HMAC in place of the CRC); both tools read the password from the command or standard input.
aes_password=compare
(cd "$work/tree" && 7z a -bd -bso0 -tzip -mem=AES256 -p"$aes_password" "$work/aes.zip" .)
# A million small stored files, as a large mail or photo archive may hold.
data="${QUEMBLY_BENCH_DATA:-$work}"
million="$data/million.zip"
if [ ! -f "$million" ]; then
    echo "making $million ..."
    mkdir -p "$data"
    python3 - "$million.part" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_STORED) as z:
    for i in range(1000000):
        info = zipfile.ZipInfo("d%03d/s%02d/f%07d.txt" % (i % 1000, i % 50, i), (2020, 1, 1, 0, 0, 0))
        z.writestr(info, "line %d\n" % i)
PY
    mv "$million.part" "$million"
fi
only="${QUEMBLY_BENCH_ONLY:-}"

results="$work/results"
: >"$results"
# measure WORK TOOL ROUND COMMAND [KEEP]: one timed run in emptied folders out/ (beside the
# inputs and in memory); its wall time and peak memory are kept, and so is the file out/KEEP,
# moved beside the inputs.
# shellcheck source=bench/timing.sh
. "$here/bench/timing.sh"
measure() {
    local what="$1" tool="$2" round="$3" command="$4" keep="${5:-}" took
    rm -rf "$work/out" "$memory/out"
    mkdir -p "$work/out" "$memory/out"
    took=$(timed compare.sh "$what" "$tool" "$command")
    echo "$what|$tool|$round|$took" >>"$results"
    if [ -n "$keep" ]; then
        mv "$work/out/$keep" "$work/$keep"
    fi
}

q="$quembly"
big="$work/big.zip"
for round in $(seq 1 "$rounds"); do
    echo "round $round of $rounds ..."
    # Each extraction to disk goes into a folder of its own, and all stay until the end. On
    # ext4 without a journal (as on the machine the table below was measured on), making a
    # file passes over every inode freed in the last five to ten minutes; emptying the folder
    # of the previous run, 12,791 files, just before each run made that pass three quarters of
    # every tool's extraction time.
    x="$work/extracted/$round"
    # Each work (what@tool@command[@file to keep]): Quembly's command first, then its peers;
    # every other round the reverse.
    works=(
        "list to /dev/null@Quembly@$q --list $big"
        "list to /dev/null@unzip -l@unzip -l $big"
        "list through a pipe@Quembly@$q --list $big | cat"
        "list through a pipe@unzip -l@unzip -l $big | cat"
        "list through a pipe@7z l@7z l $big | cat"
        "list through a pipe@Python zipfile@python3 -m zipfile -l $big | cat"
        "window start, empty@Quembly@$window"
        "window start on 100k entries@Quembly@$window $big"
        "add tree at level 9@Quembly@cd $work/tree && $q --add $work/out/ours.zip --recurse --dirnames --level 9 .@ours.zip"
        "add tree at level 9@zip -9@cd $work/tree && zip -9 -r -q $work/out/zip9.zip .@zip9.zip"
        "extract@Quembly@mkdir -p $x/q && $q --extract $work/theirs.zip $x/q --dirnames"
        "extract@unzip@mkdir -p $x/u && unzip -q $work/theirs.zip -d $x/u"
        "extract@7z x@mkdir -p $x/7 && 7z x -y -o$x/7 $work/theirs.zip"
        "extract@Python zipfile@mkdir -p $x/p && python3 -m zipfile -e $work/theirs.zip $x/p"
        "test@Quembly@$q --test $work/theirs.zip"
        "test@unzip -t@unzip -tqq $work/theirs.zip"
        "extract into memory@Quembly@$q --extract $work/theirs.zip $memory/out --dirnames"
        "extract into memory@unzip@unzip -q $work/theirs.zip -d $memory/out"
        "extract into memory@7z x@7z x -y -o$memory/out $work/theirs.zip"
        "extract into memory@Python zipfile@python3 -m zipfile -e $work/theirs.zip $memory/out"
        "extract LZMA into memory@Quembly@$q --extract $work/lzma.zip $memory/out --dirnames"
        "extract LZMA into memory@7z x@7z x -y -o$memory/out $work/lzma.zip"
        "extract Zstandard into memory@Quembly@$q --extract $work/zstd.zip $memory/out --dirnames"
        "extract Zstandard into memory@7z x@7z x -y -o$memory/out $work/zstd.zip"
    )
    works+=(
        "extract AES-256 into memory@Quembly@echo $aes_password | $q --extract $work/aes.zip $memory/out --dirnames --archive-password-file -"
        "extract AES-256 into memory@7z x -p@7z x -y -p$aes_password -o$memory/out $work/aes.zip"
    )
    # The million entries: listed to /dev/null, and extracted into memory (a million files
    # left on disk by every run would fill the file system's inodes).
    works+=(
        "list 1,000,000 entries@Quembly@$q --list $million"
        "list 1,000,000 entries@unzip -l@unzip -l $million"
        "extract 1,000,000 entries into memory@Quembly@$q --extract $million $memory/out --dirnames"
        "extract 1,000,000 entries into memory@unzip -q@unzip -q $million -d $memory/out"
    )
    if [ "$round" -eq 1 ]; then
        works+=("add tree at level 9@7z -mx9@cd $work/tree && 7z a -tzip -mx9 $work/out/7z9.zip .@7z9.zip")
    fi
    if [ $((round % 2)) -eq 0 ]; then
        mapfile -t works < <(printf '%s\n' "${works[@]}" | tac)
    fi
    for w in "${works[@]}"; do
        IFS='@' read -r what tool command keep <<<"$w"
        if [ -n "$only" ] && ! grep -qE "$only" <<<"$what"; then
            continue
        fi
        measure "$what" "$tool" "$round" "$command" "$keep"
    done
done

# The archives stay standard: unzip and Python test Quembly's without a complaint, and what
# Quembly extracts is the tree.
if [ -f "$work/ours.zip" ]; then
    unzip -tqq "$work/ours.zip" >/dev/null
    rm -rf "$work/out"
    "$q" --extract "$work/ours.zip" "$work/out" --dirnames >/dev/null 2>&1
    diff -rq "$work/tree" "$work/out"
    python3 -c "import sys, zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)" \
        "$work/ours.zip"
fi
for packed in lzma zstd; do
    rm -rf "$work/out"
    "$q" --extract "$work/$packed.zip" "$work/out" --dirnames >/dev/null 2>&1
    diff -rq "$work/tree" "$work/out"
done
rm -rf "$work/out"
echo "$aes_password" | "$q" --extract "$work/aes.zip" "$work/out" --dirnames \
    --archive-password-file - >/dev/null 2>&1
diff -rq "$work/tree" "$work/out"

python3 - "$results" "$work/ours.zip" "$work/zip9.zip" "$work/7z9.zip" <<'PY'
import os, statistics, sys
rows = [line.rstrip("\n").split("|") for line in open(sys.argv[1])]
def seconds(text):
    parts = [float(p) for p in text.split(":")]
    return sum(p * 60 ** (len(parts) - 1 - i) for i, p in enumerate(parts))
runs = {}
for what, tool, _round, wall, rss in rows:
    runs.setdefault((what, tool), []).append((seconds(wall), int(rss) / 1024))
def median(what, tool):
    r = runs[(what, tool)]
    return statistics.median(t for t, _ in r), statistics.median(m for _, m in r), len(r)
works = []
for what, tool, *_ in rows:
    if what not in works:
        works.append(what)
print()
print("| work | Quembly | peer | ratio |")
print("|---|---|---|---|")
for what in works:
    if what.startswith("window start"):
        continue
    qt, qm, qn = median(what, "Quembly")
    peers = [tool for (w, tool) in runs if w == what and tool != "Quembly"]
    for tool in peers:
        pt, pm, pn = median(what, tool)
        print("| %s | %.2f s, %.0f MiB | %s %.2f s, %.0f MiB%s | %.2fx |"
              % (what, qt, qm, tool, pt, pm, "" if pn == qn else " (%d run)" % pn, qt / pt))
if ("window start, empty", "Quembly") not in runs or not all(map(os.path.exists, sys.argv[2:])):
    sys.exit(0)
et, em, _ = median("window start, empty", "Quembly")
ft, fm, _ = median("window start on 100k entries", "Quembly")
print("| window opened and filled on 100k entries, less an empty start | %.2f s extra, %.0f MiB peak | | |"
      % (ft - et, fm))
sizes = [os.path.getsize(p) for p in sys.argv[2:]]
print()
print("archive of the tree at level 9: Quembly %.1f MB, zip -9 %.1f MB (%.3fx), 7z -mx9 %.1f MB (%.3fx)"
      % (sizes[0] / 1e6, sizes[1] / 1e6, sizes[0] / sizes[1], sizes[2] / 1e6, sizes[0] / sizes[2]))
PY

# Quembly at scale (the window on a million entries, sorting a million rows, deleting from a
# 1 GB archive): a script of its own, with inputs kept between runs.
"$here/bench/scale.sh" "$build" "$rounds"
