#!/usr/bin/env bash
# Times our batch front end against ImageMagick and Pillow on the same generated pictures.
#
#   bench/compare_peers.sh [VARLEN_BINARY] [WORK_DIR]
#
# VARLEN_BINARY defaults to build/programs/varlen. For each input
#   gen1024, gen4096  generated RGBA PNGs (gradients, noise, a transparent border band)
#   rgba1024          a photo-like RGB picture with a radial alpha falling from 255 at the
#                     centre to 0 at the corners (every alpha in between: soft edges)
#   jpeg4096          a photo-like 4096 x 4096 JPEG
# it prints the wall time of
#   ours:        varlen --create out.ico PICTURE            (15 default formats)
#   ImageMagick: convert PICTURE -define icon:auto-resize=256,48,32,24,16 out.ico
#   Pillow:      Image.open(PICTURE).save(out.ico, sizes=[256, 48, 32, 24, 16])
# the ratio of each peer's time to ours (above 1: the peer is slower), and our peak resident
# size against 4 x the decoded picture (width x height x 4 bytes). Extra runs of ours with
# VARLEN_THREADS=1 show the single-thread time, and their files are compared with the
# multi-threaded ones (they must be identical).
#
# The peers are installed when missing (apt-get install imagemagick time). This is a
# measurement, not a test: it is not run by ctest. Each time is the best of RUNS runs
# (default 3). Goals (ours against ImageMagick): gen1024 < 0.5 x, gen4096 < 1 x, rgba1024
# <= 0.5 x, jpeg4096 <= 0.35 x. The machine's load average is printed, since the figures only
# compare programs run side by side in the same run.
set -euo pipefail

VARLEN=${1:-build/programs/varlen}
WORK=${2:-$(mktemp -d /tmp/varlen_compare.XXXXXX)}
RUNS=${RUNS:-3}
PY=/usr/bin/python3
CONVERT=/usr/bin/convert   # the real ImageMagick, not a stand-in earlier on PATH

need_apt=()
if ! "$CONVERT" -version 2>/dev/null | grep -q ImageMagick; then need_apt+=(imagemagick); fi
if [ ! -x /usr/bin/time ]; then need_apt+=(time); fi
if [ ${#need_apt[@]} -gt 0 ]; then
    echo "installing: ${need_apt[*]}" >&2
    apt-get install -y "${need_apt[@]}" >/dev/null 2>&1 ||
        { apt-get update >/dev/null 2>&1 && apt-get install -y "${need_apt[@]}" >/dev/null; }
fi
"$PY" -c 'import PIL' 2>/dev/null || { echo "Pillow missing for $PY (apt-get install python3-pil)" >&2; exit 1; }
[ -x "$VARLEN" ] || { echo "no varlen binary at $VARLEN" >&2; exit 1; }
mkdir -p "$WORK"

# A photo-like RGBA picture: gradients, a radial pattern, noise, a transparent border band.
make_picture() {
    "$PY" - "$1" "$2" <<'PYEOF'
import sys
from PIL import Image, ImageChops
side, path = int(sys.argv[1]), sys.argv[2]
def grad(angle):
    return Image.linear_gradient('L').resize((side, side)).rotate(angle)
noise = Image.effect_noise((side, side), 24)
r = ImageChops.add(grad(90), noise, 1.0, -96)
g = ImageChops.add(grad(0), noise.rotate(90), 1.0, -96)
b = ImageChops.add(Image.radial_gradient('L').resize((side, side)), noise.rotate(180), 1.0, -96)
a = Image.new('L', (side, side), 255)
band = side // 32
a.paste(0, (0, 0, side, band))
a.paste(0, (0, 0, band, side))
Image.merge('RGBA', (r, g, b, a)).save(path)
PYEOF
}

# A photo-like RGB picture (soft shapes, gradients, fine noise); with "alpha" a radial alpha
# from 255 at the centre to 0 at the corners is added (saved as PNG), else it is a JPEG.
make_photo() {
    "$PY" - "$1" "$2" "$3" <<'PYEOF'
import sys
from PIL import Image, ImageChops, ImageFilter
side, path, kind = int(sys.argv[1]), sys.argv[2], sys.argv[3]
noise = Image.effect_noise((side, side), 40).filter(ImageFilter.GaussianBlur(side / 512))
shapes = Image.effect_mandelbrot((side, side), (-2.2, -1.5, 1.0, 1.5), 60)
shapes = shapes.filter(ImageFilter.GaussianBlur(side / 340))
r = ImageChops.add(shapes, noise, 1.0, -100)
g = ImageChops.add(Image.linear_gradient('L').resize((side, side)), noise.rotate(90), 1.0, -100)
b = ImageChops.add(shapes.rotate(90), noise.rotate(180), 1.0, -100)
rgb = Image.merge('RGB', (r, g, b))
if kind == 'alpha':
    # radial_gradient: 0 at the centre, 255 at the middle of each side; the corners reach 181 %.
    d = Image.radial_gradient('L').resize((side, side), Image.BILINEAR)
    a = d.point(lambda v: max(0, 255 - v * 255 // 181))
    rgba = rgb.convert('RGBA')
    rgba.putalpha(a)
    rgba.save(path)
else:
    rgb.save(path, quality=90)
PYEOF
}

# Prints "seconds peak_kib" of the best (fastest) of RUNS runs of the command.
best_of() {
    local best="" mem="" line
    for _ in $(seq "$RUNS"); do
        line=$(/usr/bin/time -f '%e %M' "$@" 2>&1 >/dev/null | tail -1)
        local t=${line% *} m=${line#* }
        if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN{exit !(a<b)}'; then
            best=$t
            mem=$m
        fi
    done
    echo "$best $mem"
}

PILLOW_SAVE='import sys
from PIL import Image
Image.open(sys.argv[1]).save(sys.argv[2], sizes=[(256, 256), (48, 48), (32, 32), (24, 24), (16, 16)])'

echo "varlen: $VARLEN   threads: ${VARLEN_THREADS:-all}   cores: $(nproc)   best of $RUNS"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-9s %-22s %9s %10s %12s\n' input program seconds 'peer/ours' 'peak MiB'
status=0
for side in gen1024 gen4096 rgba1024 jpeg4096; do
    case $side in
        gen*) pic="$WORK/in_$side.png"; [ -f "$pic" ] || make_picture "${side#gen}" "$pic" ;;
        rgba*) pic="$WORK/in_$side.png"; [ -f "$pic" ] || make_photo "${side#rgba}" "$pic" alpha ;;
        jpeg*) pic="$WORK/in_$side.jpg"; [ -f "$pic" ] || make_photo "${side#jpeg}" "$pic" plain ;;
    esac
    case $side in
        gen1024) goal=0.5 ;;
        gen4096) goal=1 ;;
        rgba1024) goal=0.5 ;;
        jpeg4096) goal=0.35 ;;
    esac
    pixels=$("$PY" -c 'import sys; from PIL import Image; w, h = Image.open(sys.argv[1]).size; print(w * h)' "$pic")
    read -r ours ours_kib < <(best_of "$VARLEN" --create "$WORK/ours_$side.ico" "$pic")
    read -r one one_kib < <(VARLEN_THREADS=1 best_of "$VARLEN" --create "$WORK/ours1_$side.ico" "$pic")
    read -r im im_kib < <(best_of "$CONVERT" "$pic" -define icon:auto-resize=256,48,32,24,16 "$WORK/im_$side.ico")
    read -r pil pil_kib < <(best_of "$PY" -c "$PILLOW_SAVE" "$pic" "$WORK/pil_$side.ico")
    ratio() { awk -v a="$1" -v b="$ours" 'BEGIN{ if (b > 0) printf "%.2f", a / b; else print "inf" }'; }
    mib() { awk -v k="$1" 'BEGIN{printf "%.1f", k / 1024}'; }
    printf '%-9s %-22s %9s %10s %12s\n' "$side" "varlen" "$ours" "1.00" "$(mib "$ours_kib")"
    printf '%-9s %-22s %9s %10s %12s\n' "$side" "varlen, 1 thread" "$one" "$(ratio "$one")" "$(mib "$one_kib")"
    printf '%-9s %-22s %9s %10s %12s\n' "$side" "ImageMagick convert" "$im" "$(ratio "$im")" "$(mib "$im_kib")"
    printf '%-9s %-22s %9s %10s %12s\n' "$side" "Pillow save" "$pil" "$(ratio "$pil")" "$(mib "$pil_kib")"
    decoded_kib=$((pixels * 4 / 1024))
    awk -v p="$ours_kib" -v d="$decoded_kib" -v s="$side" \
        'BEGIN{printf "%-9s peak RSS %.1f MiB = %.2f x the decoded picture (%.1f MiB); goal < 4 x\n", s, p/1024, p/d, d/1024}'
    if cmp -s "$WORK/ours_$side.ico" "$WORK/ours1_$side.ico"; then
        echo "$side   1 thread and all threads wrote identical files"
    else
        echo "$side   FILES DIFFER between 1 thread and all threads"
        status=1
    fi
    verdict=$(awk -v o="$ours" -v i="$im" -v g="$goal" 'BEGIN{ printf "%.2f x ImageMagick: %s", (i > 0 ? o / i : 0), (o <= i * g) ? "holds" : "FAILS" }')
    echo "$side   goal (ours <= $goal x ImageMagick): $verdict"
done
echo "files in $WORK"
exit $status
