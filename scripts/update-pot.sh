#!/bin/sh
# Writes the template of the program's catalogs, po/webbrowser.pot, from the sources: every
# text written as Tr("..."), TrN("...", "...", n) or N_("..."). With a second argument the
# template goes there instead (the catalog test extracts a fresh one to compare). A translator
# then brings a catalog up to date with: msgmerge --update po/LANG.po po/webbrowser.pot
# Usage: scripts/update-pot.sh [SOURCE_DIR [OUTPUT]]
set -eu
src=${1:-$(cd "$(dirname "$0")/.." && pwd)}
out=${2:-$src/po/webbrowser.pot}
cd "$src"
# wbctl's own messages stay English (a tool for makers, as compilers' are), so tools/ is not
# searched.
find support model platform engine info shell \( -name '*.cpp' -o -name '*.h' \) |
  LC_ALL=C sort |
  xgettext --files-from=- --output="$out.tmp" --language=C++ --from-code=UTF-8 \
    --keyword= --keyword=Tr --keyword=TrN:1,2 --keyword=N_ \
    --add-comments=TRANSLATORS: --sort-by-file \
    --package-name=webbrowser --msgid-bugs-address=support@morvane.example
# The template changes only when a text does: the creation date is left out.
sed -e '/^"POT-Creation-Date:/d' "$out.tmp" > "$out"
rm -f "$out.tmp"
