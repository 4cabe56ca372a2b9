#!/usr/bin/env bash
# Runs `make demo` in a fresh clone of the repository at SOURCE (default: this checkout's
# HEAD) and checks that it prints the path of a three-page PDF under the clone's ./scans.
set -euo pipefail

SOURCE=${1:-$(git -C "$(dirname "$0")" rev-parse --show-toplevel)}
clone=$(mktemp -d)
trap 'rm -rf "$clone"' EXIT

git clone --quiet "$SOURCE" "$clone/repo"
output=$(make -C "$clone/repo" --no-print-directory demo JOBS=2)
pdf=$(printf '%s\n' "$output" | tail -n 1)
case $pdf in
    "$clone/repo/scans/"*.pdf) ;;
    *) echo "demo printed '$pdf', not a PDF under scans/" >&2; exit 1 ;;
esac
pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
if [[ $pages != 3 ]]; then
    echo "the demo's PDF has '$pages' pages, not 3" >&2
    exit 1
fi
echo "demo in a fresh clone: $pdf with $pages pages"
