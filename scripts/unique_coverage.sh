#!/usr/bin/env bash
# Which lines of src/ each test alone runs: every ctest test of the coverage
# build (scripts/coverage.sh makes it) on its own, its gcov counts kept apart
# (GCOV_PREFIX), then one row per test, fewest such lines first:
#   <lines only it runs> <lines it runs> <test> {file: lines only it runs}
# A test near the top runs nothing the others do not also run; whether it
# checks something they do not is for a reader to judge. Writes
# build-coverage/unique/report.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
[ -d build-coverage ] || { echo "no build-coverage/ (run scripts/coverage.sh first)" >&2; exit 2; }
out=$top/build-coverage/unique
rm -rf "$out"
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-coverage -N 2>/dev/null | sed -n 's/^ *Test *#\([0-9]*\): \(.*\)$/\1 \2/p' |
    sed 's/  #.*//' >"$out/names.txt"

one() {
    local i=$1 d=$out/t$1
    mkdir -p "$d"
    GCOV_PREFIX=$d GCOV_PREFIX_STRIP=0 ctest --test-dir "$top/build-coverage" -I "$i,$i" >"$d/ctest.txt" 2>&1 || true
    find "$d" -name '*.gcda' | while read -r g; do
        local rel=${g#"$d"}
        ln -sf "${rel%.gcda}.gcno" "${g%.gcda}.gcno"
    done
    (cd "$d" && find . -path '*build-coverage/src/*' -name '*.gcda' -print0 |
        xargs -0 -r gcov --json-format --stdout 2>/dev/null) | python3 -c '
import json, sys
seen = set()
for line in sys.stdin:
    try:
        doc = json.loads(line)
    except ValueError:
        continue
    for f in doc.get("files", []):
        name = f["file"]
        if "src/" not in name or "_autogen/" in name:  # moc output is not ours
            continue
        name = name[name.find("src/"):]
        seen.update("%s:%d" % (name, l["line_number"]) for l in f["lines"] if l["count"] > 0)
print("\n".join(sorted(seen)))' >"$d/lines.txt"
    find "$d" \( -name '*.gcda' -o -name '*.gcno' \) -delete
}
export -f one
export out top
cut -d' ' -f1 "$out/names.txt" | xargs -P "$(nproc)" -I{} bash -c 'one {}'

python3 - "$out" <<'EOF' | tee "$out/report.txt"
import collections, os, sys
out = sys.argv[1]
runs = {}
for row in open(os.path.join(out, "names.txt")):
    index, name = row.rstrip("\n").split(" ", 1)
    runs[name] = set(open(os.path.join(out, "t" + index, "lines.txt")).read().split())
count = collections.Counter(line for lines in runs.values() for line in lines)
rows = []
for name, lines in runs.items():
    alone = [line for line in lines if count[line] == 1]
    files = collections.Counter(line.rsplit(":", 1)[0] for line in alone)
    rows.append((len(alone), len(lines), name, dict(files.most_common(3))))
for alone, total, name, files in sorted(rows):
    print(alone, total, name, files)
EOF
