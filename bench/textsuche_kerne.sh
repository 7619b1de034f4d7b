#!/usr/bin/env bash
# The byte search of vxmdorvex-suche on all cores beside the same program
# held to one core (taskset) and ripgrep, side by side in one run, on a
# folder tree given as $BAUM (default /usr/share/doc) for a phrase $PHRASE
# (default "license"). The file sets found are compared.
#
#   bench/textsuche_kerne.sh [PROGRAMM]
set -euo pipefail

PROGRAMM=${1:-build/vxmdorvex-suche}
BAUM=${BAUM:-/usr/share/doc}
PHRASE=${PHRASE:-license}
RUNDEN=${RUNDEN:-5}
ERGEBNIS=$(mktemp -d)
trap 'rm -rf "$ERGEBNIS"' EXIT
export VXM_LAUFWERKE="K=$BAUM"

messen() {  # messen NAME BEFEHL...
  local name=$1; shift
  "$@" > "$ERGEBNIS/$name.aus" 2>/dev/null || true
  local beste= cpu= t u s c
  for _ in $(seq 1 "$RUNDEN"); do
    /usr/bin/time -f '%e %U %S' -o "$ERGEBNIS/zeit" "$@" > "$ERGEBNIS/$name.aus" 2>/dev/null || true
    read -r t u s < <(tail -1 "$ERGEBNIS/zeit")
    c=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')
    if [ -z "$beste" ] || awk -v t="$t" -v b="$beste" 'BEGIN { exit !(t < b) }'; then beste=$t; cpu=$c; fi
  done
  printf '  %-26s best %6.3f s  cpu %6.3f s  hits %s\n' "$name" "$beste" "$cpu" "$(wc -l < "$ERGEBNIS/$name.aus")"
}

echo "tree $BAUM ($(du -sh "$BAUM" | cut -f1), $(find "$BAUM" -type f | wc -l) files), phrase '$PHRASE', $RUNDEN runs, $(nproc) cores"
messen vxmdorvex-suche "$PROGRAMM" --text "$PHRASE" --ohne-index --ordner 'K:\'
messen vxmdorvex-suche-1kern taskset -c 0 "$PROGRAMM" --text "$PHRASE" --ohne-index --ordner 'K:\'
messen rg rg -uu -a -F -i -l "$PHRASE" "$BAUM"
host() { awk -F '\t' -v k="$BAUM" '{ p = $1 "/" $2; sub(/^K:\\?/, k "/", p); gsub(/\\/, "/", p); gsub(/\/\/+/, "/", p); print p }'; }
host < "$ERGEBNIS/vxmdorvex-suche.aus" | sort > "$ERGEBNIS/a"
host < "$ERGEBNIS/vxmdorvex-suche-1kern.aus" | sort > "$ERGEBNIS/b"
sed 's#//*#/#g' "$ERGEBNIS/rg.aus" | sort > "$ERGEBNIS/c"
cmp -s "$ERGEBNIS/a" "$ERGEBNIS/b" && echo "  same files on all cores and on one" || echo "  DIFFERENT files between all cores and one"
cmp -s "$ERGEBNIS/a" "$ERGEBNIS/c" && echo "  same files as rg" || echo "  files differ from rg: $(comm -3 "$ERGEBNIS/a" "$ERGEBNIS/c" | wc -l) (text files are searched by lines here)"
# the walk's order is kept: both runs print the same lines in the same order
cmp -s "$ERGEBNIS/vxmdorvex-suche.aus" "$ERGEBNIS/vxmdorvex-suche-1kern.aus" && echo "  same order on all cores and on one"
