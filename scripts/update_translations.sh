#!/usr/bin/env bash
# Brings the translation files in res/translations up to date with the sources: new texts
# are added as unfinished entries, texts no longer in the code are dropped. Translate the
# unfinished entries (Qt Linguist, or by hand) and commit the .ts files; the build turns
# them into .qm files. The test translations.up_to_date fails while a file is behind the
# sources or holds an unfinished entry.
#   scripts/update_translations.sh [TS_FILE ...]   (default: every res/translations/*.ts)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
lupdate="${LUPDATE:-/usr/lib/qt6/bin/lupdate}"
cd "$root"
files=("$@")
[ ${#files[@]} -eq 0 ] && files=(res/translations/*.ts)
for ts in "${files[@]}"; do
    "$lupdate" -silent -I . -locations none -no-obsolete -source-language ja \
        -target-language "$(basename "$ts" .ts | sed 's/^varlen_//')" gui pages wizard -ts "$ts"
done
