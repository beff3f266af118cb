#!/usr/bin/env bash
# Regenerates HAND-M.CUR from hand.svg. The build never runs this: the .cur is committed, so run
# this by hand after editing the artwork. Needs rsvg-convert (Debian: librsvg2-bin) and python3.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# The pointing pixel at 32 px: the top of the fingertip in hand.svg. Keep the two in step.
hot_x=9
hot_y=0

if ! command -v rsvg-convert >/dev/null 2>&1; then
    echo "make-cursor.sh: rsvg-convert not found (apt-get install librsvg2-bin)" >&2
    exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Rendered at 32 px, on whose grid the drawing is laid out, and at twice that for a doubled
# screen scale; sizes between would blur it.
for size in 32 64; do
    rsvg-convert --width $size --height $size --format png --output "$work/$size.png" "$here/hand.svg"
done

python3 "$here/make_cursor.py" "$here/HAND-M.CUR" "$work/32.png" "$work/64.png" "$hot_x" "$hot_y"

echo "wrote $here/HAND-M.CUR"
