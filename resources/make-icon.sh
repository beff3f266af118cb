#!/usr/bin/env bash
# Regenerates span-meter.ico and the desktop icons in icons/ from span-meter.svg. The build never runs this: the .ico is committed,
# so run this by hand after editing the artwork. Needs rsvg-convert (Debian: librsvg2-bin) and python3.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

if ! command -v rsvg-convert >/dev/null 2>&1; then
    echo "make-icon.sh: rsvg-convert not found (apt-get install librsvg2-bin)" >&2
    exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Render each size straight from the vector source: downscaling one big bitmap blurs the 32 px image.
for size in 16 24 32 48 128 256; do
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "$work/$size.png" "$here/span-meter.svg"
done

# Entry order matters to some consumers; make_icon.py writes them in argument order.
python3 "$here/make_icon.py" "$here/span-meter.ico" \
    "$work/32.png" "$work/256.png" "$work/128.png" "$work/48.png" "$work/24.png" "$work/16.png"

# The desktop's icon theme takes plain PNGs in its hicolor sizes.
mkdir -p "$here/icons"
for size in 48 128 256; do
    cp "$work/$size.png" "$here/icons/span-meter-$size.png"
done

echo "wrote $here/span-meter.ico and $here/icons/"
