#!/bin/sh
# Fails when a catalog of the window's texts misses a message of the program: the texts are
# extracted afresh from the sources, and the template and every catalog listed in po/LINGUAS
# must hold each of them, translated and not fuzzy, with format places msgfmt accepts.
# Usage: tests/check-catalogs.sh SOURCE_DIR WORK_DIR
set -eu
src=$1
work=$2
mkdir -p "$work"
fresh=$work/fresh.pot
"$src/scripts/update-pot.sh" "$src" "$fresh"
status=0
# The template in the tree is the one the sources give (scripts/update-pot.sh writes it).
if ! msgcmp --use-untranslated "$src/po/webbrowser.pot" "$fresh" >"$work/msgcmp.log" 2>&1 ||
  ! msgcmp --use-untranslated "$fresh" "$src/po/webbrowser.pot" >>"$work/msgcmp.log" 2>&1; then
  echo "po/webbrowser.pot is not the template of today's sources: run scripts/update-pot.sh"
  cat "$work/msgcmp.log"
  status=1
fi
for po in "$src"/po/*.po; do
  lang=$(basename "$po" .po)
  if ! grep -qx "$lang" "$src/po/LINGUAS"; then
    echo "$lang: po/$lang.po is not listed in po/LINGUAS"
    status=1
  fi
done
for lang in $(grep -v '^#' "$src/po/LINGUAS"); do
  po=$src/po/$lang.po
  if [ ! -f "$po" ]; then
    echo "$lang: listed in po/LINGUAS, but po/$lang.po is missing"
    status=1
    continue
  fi
  # Every message of the program, translated (msgcmp counts fuzzy and untranslated ones as
  # missing).
  if ! msgcmp "$po" "$fresh" >"$work/$lang.log" 2>&1; then
    echo "$lang: messages missing or untranslated:"
    cat "$work/$lang.log"
    status=1
  fi
  stats=$(msgfmt --check --statistics --output-file=/dev/null "$po" 2>&1) || {
    echo "$lang: msgfmt --check refuses the catalog: $stats"
    status=1
    continue
  }
  case $stats in
  *untranslated* | *fuzzy*)
    echo "$lang: $stats"
    status=1
    ;;
  esac
done
[ $status -eq 0 ] && echo "every catalog holds every message of the program"
exit $status
