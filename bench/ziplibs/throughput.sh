#!/usr/bin/env bash
# Times the archive libraries against Info-ZIP on the same ~150 MB tree in one run:
# our add at level 9 vs "zip -9 -r -q", our extract vs "unzip -q", and prints the ratios
# (ours / theirs: below 1 means faster). Usage: throughput.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build="${1:-${QUEMBLY_BUILD_DIR:-$here/build}}"
driver="$build/bin/ziplibs_driver"
if [ ! -x "$driver" ]; then
    cmake --build "$build" --target ziplibs_driver zipper unzipper >/dev/null
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quembly-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
tree="$work/tree"

# Many small files and some large ones; mixed compressible text and random data.
python3 - "$tree" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(1234)
words = [w.encode() for w in "archive entry folder name level deflate store header the of and to in is data file quembly time size".split()]
def text(n):
    block = b" ".join(rng.choice(words) for _ in range(200000)) + b"\n"
    out = bytearray()
    while len(out) < n:
        out += block[rng.randrange(0, 1000):]
    return bytes(out[:n])
big_text = text(4 << 20)
for i in range(3000):                      # ~24 MB in small text files
    d = os.path.join(root, "small", "d%02d" % (i % 40))
    os.makedirs(d, exist_ok=True)
    n = rng.randrange(1024, 15 * 1024)
    off = rng.randrange(0, len(big_text) - n)
    with open(os.path.join(d, "f%04d.txt" % i), "wb") as f:
        f.write(big_text[off:off + n])
for i in range(400):                       # ~3 MB in small random files
    d = os.path.join(root, "bin", "d%02d" % (i % 10))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "r%04d.bin" % i), "wb") as f:
        f.write(os.urandom(rng.randrange(512, 16 * 1024)))
os.makedirs(os.path.join(root, "large"), exist_ok=True)
for i in range(4):                         # 80 MB of text
    with open(os.path.join(root, "large", "text%d.log" % i), "wb") as f:
        for _ in range(5):
            f.write(big_text)
for i in range(3):                         # 45 MB of random data
    with open(os.path.join(root, "large", "noise%d.bin" % i), "wb") as f:
        f.write(os.urandom(15 << 20))
PY
size_mb=$(du -sm "$tree" | cut -f1)
files=$(find "$tree" -type f | wc -l)
echo "tree: $files files, $size_mb MB"

now() { date +%s.%N; }
elapsed() { python3 -c "import sys; print('%.2f' % (float(sys.argv[2]) - float(sys.argv[1])))" "$1" "$2"; }

sync
t0=$(now); "$driver" add "$work/ours.zip" "$tree" 9 >/dev/null; t1=$(now)
ours_add=$(elapsed "$t0" "$t1")
t0=$(now); (cd "$tree" && zip -9 -r -q "$work/theirs.zip" .); t1=$(now)
zip_add=$(elapsed "$t0" "$t1")

mkdir "$work/x-ours" "$work/x-theirs"
t0=$(now); "$driver" extract "$work/theirs.zip" "$work/x-ours" >/dev/null; t1=$(now)
ours_ext=$(elapsed "$t0" "$t1")
t0=$(now); unzip -q "$work/theirs.zip" -d "$work/x-theirs"; t1=$(now)
unzip_ext=$(elapsed "$t0" "$t1")

diff -rq "$tree" "$work/x-ours" >/dev/null || { echo "extracted tree differs" >&2; exit 1; }
unzip -tqq "$work/ours.zip" >/dev/null || { echo "our archive does not test clean" >&2; exit 1; }

ours_size=$(stat -c %s "$work/ours.zip")
zip_size=$(stat -c %s "$work/theirs.zip")
python3 - "$ours_add" "$zip_add" "$ours_ext" "$unzip_ext" "$ours_size" "$zip_size" <<'PY'
import sys
oa, za, oe, ue, os_, zs = map(float, sys.argv[1:])
print("add  level 9: ours %6.2f s   zip -9   %6.2f s   ratio %.2f" % (oa, za, oa / za))
print("extract:      ours %6.2f s   unzip -q %6.2f s   ratio %.2f" % (oe, ue, oe / ue))
print("archive size: ours %d   zip %d   ratio %.3f" % (os_, zs, os_ / zs))
PY
