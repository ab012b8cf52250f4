#!/usr/bin/env bash
# Runs two builds of the batch front end over the same pictures and options and checks that
# they write identical files: the check after a change that must not change any output.
#
#   scripts/compare_builds.sh OLD_VARLEN NEW_VARLEN [WORK_DIR]
#
# The pictures are drawn here with Pillow (odd sizes, alpha, palettes, JPEG, GIF with a
# transparent colour, 8-bit BMP, an upright-tagged JPEG, an SVG); every picture is made into an
# icon with several option sets and exported in every export type. Prints one line per case
# that differs or fails in only one build, then the totals; exits 1 when any case differs.
set -uo pipefail

OLD=${1:?usage: compare_builds.sh OLD_VARLEN NEW_VARLEN [WORK_DIR]}
NEW=${2:?usage: compare_builds.sh OLD_VARLEN NEW_VARLEN [WORK_DIR]}
WORK=${3:-$(mktemp -d /tmp/varlen_builds.XXXXXX)}
PY=/usr/bin/python3
mkdir -p "$WORK/in" "$WORK/old" "$WORK/new"

"$PY" - "$WORK/in" <<'PYEOF'
import math, random, sys
from PIL import Image
out = sys.argv[1]
random.seed(7)

def photo(w, h, alpha):
    im = Image.new("RGBA", (w, h))
    px = im.load()
    for y in range(h):
        for x in range(w):
            r = int(127 + 120 * math.sin(x / 7.0))
            g = int(127 + 120 * math.cos(y / 5.0))
            b = (x * 3 + y * 5) % 256
            d = math.hypot(x - w / 2, y - h / 2) / (max(w, h) / 2)
            a = max(0, min(255, int(255 * (1.2 - d)))) if alpha else 255
            px[x, y] = (r, g, b, a)
    return im

photo(97, 61, True).save(f"{out}/soft.png")
photo(64, 64, False).convert("RGB").save(f"{out}/square.jpg", quality=90)
tall = photo(33, 129, True)
tall.save(f"{out}/tall.png")
pal = photo(75, 50, False).convert("RGB").quantize(200)
pal.save(f"{out}/pal8.bmp")
gif = photo(45, 45, False).convert("RGB").quantize(16)
gif.info["transparency"] = 3
gif.save(f"{out}/key.gif", transparency=3)
exif = Image.Exif()
exif[0x0112] = 6
photo(40, 24, False).convert("RGB").save(f"{out}/rotated.jpg", exif=exif.tobytes())
with open(f"{out}/shape.svg", "w") as f:
    f.write('<svg xmlns="http://www.w3.org/2000/svg" width="30" height="20">'
            '<rect x="2" y="2" width="26" height="16" rx="4" fill="#c33"/>'
            '<circle cx="15" cy="10" r="6" fill="#36c" fill-opacity="0.5"/></svg>')
PYEOF

pictures=(soft.png square.jpg tall.png pal8.bmp key.gif rotated.jpg shape.svg)
create_options=(
    ""
    "--no-margin"
    "--rotate 33.5 --mirror --background 20A0F0"
    "--clear-color 3,3 --tolerance 40 --expand 2"
    "--clear-region 20,12 --tolerance 10"
    "--brightness 30 --contrast -20 --sharp 3 --light 40 --light-pos 60,200"
    "--transparency -30 --shadow 50 --shadow-pos -20,40 --round 30 --fade 40"
    "--no-smoothing --formats 32:256x256,24:37x23,8:48x48,4:16x16"
    "--png --formats 32:512x512,32:64x64,32:16x16 --no-light-4bit --light 80"
    "--square -10,-5,90 --round 200 --fade 100"
)
export_cases=(
    "x.bmp --format 24:48x48"
    "x.png --format 8:31x31 --round 50"
    "x.gif --format 4:32x32 --sharp 8"
    "x.cur --format 32:32x32 --hotspot 4,5 --shadow 30"
    "x.png --format 32:256x256 --no-smoothing"
)

same=0
differ=0
run_case() {  # name, arguments...
    local name=$1 out=$2
    shift 2
    "$OLD" "${@/@OUT@/$WORK/old/$out}" >"$WORK/old/$name.log" 2>&1
    local rc_old=$?
    "$NEW" "${@/@OUT@/$WORK/new/$out}" >"$WORK/new/$name.log" 2>&1
    local rc_new=$?
    if [ "$rc_old" -ne "$rc_new" ]; then
        echo "DIFFERS $name: exit $rc_old before, $rc_new after"
        differ=$((differ + 1))
    elif [ "$rc_old" -eq 0 ] && ! cmp -s "$WORK/old/$out" "$WORK/new/$out"; then
        echo "DIFFERS $name: the files differ"
        differ=$((differ + 1))
    else
        same=$((same + 1))
    fi
}

n=0
for p in "${pictures[@]}"; do
    for o in "${create_options[@]}"; do
        n=$((n + 1))
        # shellcheck disable=SC2086 # the option sets are word lists
        run_case "create$n" "c$n.ico" --create @OUT@ $o "$WORK/in/$p"
    done
    for e in "${export_cases[@]}"; do
        n=$((n + 1))
        read -r file rest <<<"$e"
        # shellcheck disable=SC2086
        run_case "export$n" "e$n.${file##*.}" --export @OUT@ $rest "$WORK/in/$p"
    done
done
# Standard input and a picture that cannot be read end the same way in both.
n=$((n + 1))
"$OLD" --create "$WORK/old/stdin.ico" - <"$WORK/in/soft.png" >/dev/null 2>&1
"$NEW" --create "$WORK/new/stdin.ico" - <"$WORK/in/soft.png" >/dev/null 2>&1
if cmp -s "$WORK/old/stdin.ico" "$WORK/new/stdin.ico"; then same=$((same + 1)); else
    echo "DIFFERS stdin: the files differ"; differ=$((differ + 1)); fi
run_case "unreadable" "u.ico" --create @OUT@ "$WORK/in/missing.png"

echo "$same identical, $differ different (of $((same + differ)) cases; files in $WORK)"
[ "$differ" -eq 0 ]
