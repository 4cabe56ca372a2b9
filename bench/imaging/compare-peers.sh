#!/usr/bin/env bash
# Times ScanDesk's page saving and PDF assembly against peer programs on the same
# inputs in the same run, and measures the peak memory of a 1200-dpi turned page.
# Peers: libvips (vips), ImageMagick (convert), libjpeg-turbo's djpeg/cjpeg, img2pdf.
set -euo pipefail
cd "$(dirname "$0")/../.."

build=build/release/bench/imaging
driver=$build/imaging_bench_driver
if [[ ! -x $driver || ! -x $build/bench_imaging ]]; then
    echo "compare-peers: build the release preset first" >&2
    exit 1
fi
for peer in vips convert djpeg cjpeg img2pdf /usr/bin/time python3; do
    command -v "$peer" >/dev/null || { echo "compare-peers: $peer missing (scripts/install-deps)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/imaging-peers-XXXXXX")
trap 'rm -rf "$work"' EXIT
ROUNDS=${ROUNDS:-5}

# Wall time in milliseconds of the best of $ROUNDS runs of a command (the machine may
# be shared, so the best run is the one least disturbed).
best_ms() {
    local best=""
    for ((round = 0; round < ROUNDS; round++)); do
        local start end
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s%N)
        local ms=$(((end - start) / 1000000))
        if [[ -z $best || $ms -lt $best ]]; then best=$ms; fi
    done
    echo "$best"
}

# CPU seconds (user + system) of the best of $ROUNDS runs of a single program.
best_cpu() {
    local best=""
    for ((round = 0; round < ROUNDS; round++)); do
        local cpu
        cpu=$(/usr/bin/time -f '%U %S' "$@" 2>&1 >/dev/null | tail -1 | awk '{printf "%d", ($1 + $2) * 1000}')
        if [[ -z $best || $cpu -lt $best ]]; then best=$cpu; fi
    done
    echo "$best"
}

echo "making inputs in $work ..."
"$driver" inputs "$work/in"
batch=("$work"/in/a4-[0-9][0-9].jpg)
pages=${#batch[@]}
mkdir -p "$work/ours" "$work/vips" "$work/magick" "$work/turbo" "$work/pdf-ours" "$work/pdf-cpu"

vips_batch() { for f in "${batch[@]}"; do vips rot "$f" "$work/vips/$(basename "$f")[Q=20]" d270; done; }
magick_batch() { for f in "${batch[@]}"; do convert "$f" -rotate -90 -quality 20 "$work/magick/$(basename "$f")"; done; }
turbo_batch() { for f in "${batch[@]}"; do djpeg -grayscale "$f" | cjpeg -grayscale -quality 20 >"$work/turbo/$(basename "$f")"; done; }
ours_pdf() { rm -f "$work"/pdf-ours/*.pdf; "$driver" pdf "$work/in/pages/page" 50 "$work/pdf-ours"; }

ours=$(best_ms "$driver" save2jpeg 90 "$work/ours" "${batch[@]}")
vips_ms=$(best_ms vips_batch)
magick_ms=$(best_ms magick_batch)
turbo_ms=$(best_ms turbo_batch)
pdf_ms=$(best_ms ours_pdf)
img2pdf_ms=$(best_ms img2pdf --pagesize A4 -o "$work/img2pdf.pdf" "$work"/in/pages/page-00*.jpg)
pdf_cpu=$(best_cpu "$driver" pdf "$work/in/pages/page" 50 "$work/pdf-cpu")
img2pdf_cpu=$(best_cpu img2pdf --pagesize A4 -o "$work/img2pdf.pdf" "$work"/in/pages/page-00*.jpg)

jpeg_bytes=$(cat "$work"/in/pages/page-00*.jpg | wc -c)
pdf_bytes=$(cat "$work"/pdf-ours/*.pdf | wc -c)
peak_kb=$(/usr/bin/time -v "$driver" save2jpeg 90 "$work/ours" "$work/in/a4-1200dpi.jpg" 2>&1 >/dev/null |
    awk -F': ' '/Maximum resident set size/ {print $2}')

# In-process ratio of a 90-degree save2JPEG to a bare TurboJPEG decode + encode.
"$build/bench_imaging" --benchmark_filter='BareTurbo|Save2JPEG/dpi:300/angle:90' \
    --benchmark_repetitions=3 --benchmark_format=json >"$work/bench.json" 2>/dev/null

python3 - "$work/bench.json" "$pages" "$ours" "$vips_ms" "$magick_ms" "$turbo_ms" \
    "$pdf_ms" "$img2pdf_ms" "$jpeg_bytes" "$pdf_bytes" "$peak_kb" "$pdf_cpu" "$img2pdf_cpu" <<'PY'
import json, sys
(bench, pages, ours, vips, magick, turbo, pdf, img2pdf, jpeg_bytes, pdf_bytes, peak_kb,
 pdf_cpu, img2pdf_cpu) = sys.argv[1:]
pages = int(pages)
runs = json.load(open(bench))["benchmarks"]
def best(prefix, key):
    return min(r[key] for r in runs if r["name"].startswith(prefix) and r.get("run_type") == "iteration")
bare_cpu, turned_cpu = best("BM_BareTurbo", "cpu_time"), best("BM_Save2JPEG", "cpu_time")
bare_wall, turned_wall = best("BM_BareTurbo", "real_time"), best("BM_Save2JPEG", "real_time")
def row(what, value, target, ok):
    print(f"{what:<58} {value:>16}   {target:<14} {'met' if ok else 'MISSED'}")
print(f"{'measure':<58} {'value':>16}   {'target':<14}")
r = turned_cpu / bare_cpu
row("save2JPEG 90 deg / bare TurboJPEG decode+encode (CPU)", f"{turned_cpu:.1f}/{bare_cpu:.1f} ms = {r:.2f}x", "<= 1.5x", r <= 1.5)
print(f"{'  same, wall clock':<58} {turned_wall:>9.1f}/{bare_wall:.1f} ms")
o, v = int(ours) / pages, int(vips) / pages
row(f"save2JPEG 90 deg per A4 page, batch of {pages} (ours vs vips)", f"{o:.1f} vs {v:.1f} ms", "ours <= vips", o <= v)
print(f"{'  ImageMagick convert -rotate -90 -quality 20, per page':<58} {int(magick) / pages:>13.1f} ms")
print(f"{'  djpeg | cjpeg -quality 20 (no turn), per page':<58} {int(turbo) / pages:>13.1f} ms")
p, i = int(pdf), int(img2pdf)
row("save2PDF of 50 A4 page files (ours vs img2pdf), wall", f"{p} vs {i} ms = {i / max(p, 1):.1f}x", ">= 3x faster", p * 3 <= i)
pc, ic = int(pdf_cpu), int(img2pdf_cpu)
print(f"{'  same, CPU time (user + system)':<58} {pc:>7} vs {ic} ms = {ic / max(pc, 1):.1f}x")
over = (int(pdf_bytes) / int(jpeg_bytes) - 1) * 100
row("PDF size over its JPEG page files", f"{over:.2f} %", "<= 2 %", over <= 2)
per_pixel = int(peak_kb) * 1024 / (9728 * 13764)
row("peak memory, 1200-dpi A4 grey page turned 90 deg", f"{per_pixel:.2f} B/pixel", "<= 3 B/pixel", per_pixel <= 3)
PY
