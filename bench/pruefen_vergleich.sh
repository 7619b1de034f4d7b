#!/usr/bin/env bash
# Side-by-side timing of `vxmdorvex-register pruefen` against the sqlite3
# shell's PRAGMA integrity_check on the same registers of 1/3 and all of
# $DATEIEN files (the registers of bench/keywortsuche_vergleich.sh, made
# there when missing), so growth shows too.
#
#   bench/pruefen_vergleich.sh [BUILD]
set -euo pipefail

BUILD=${1:-build}
ORT=${VXM_REGISTER:-/tmp/vxm-keywortregister}
DATEIEN=${DATEIEN:-1000000}
RUNDEN=${RUNDEN:-3}
HIER=$(dirname "$0")
[ -f "$ORT/reg$DATEIEN.mdb.fertig" ] && [ -f "$ORT/reg$((DATEIEN / 3)).mdb.fertig" ] ||
  RUNDEN=1 DATEIEN=$DATEIEN "$HIER/keywortsuche_vergleich.sh" "$BUILD" > /dev/null

ZEIT=$(mktemp)
trap 'rm -f "$ZEIT"' EXIT

beste() {  # beste BEFEHL... : best wall time of RUNDEN runs after a warm-up
  "$@" > /dev/null 2>&1 || true
  local b= t
  for _ in $(seq 1 "$RUNDEN"); do
    /usr/bin/time -f '%e' -o "$ZEIT" "$@" > /dev/null 2>&1 || true
    t=$(tail -1 "$ZEIT")
    if [ -z "$b" ] || awk -v t="$t" -v b="$b" 'BEGIN { exit !(t < b) }'; then b=$t; fi
  done
  echo "$b"
}

vorher=
ivorher=
for n in $((DATEIEN / 3)) "$DATEIEN"; do
  reg=$ORT/reg$n.mdb
  p=$(beste "$BUILD/vxmdorvex-register" pruefen "$reg")
  i=$(beste sqlite3 -readonly "$reg" "PRAGMA integrity_check")
  awk -v n="$n" -v p="$p" -v i="$i" 'BEGIN { printf "register of %d files: pruefen %.2f s, integrity_check %.2f s, ratio %.2f\n", n, p, i, (i > 0 ? p / i : 0) }'
  [ -n "$vorher" ] && awk -v a="$vorher" -v b="$p" -v ia="$ivorher" -v ib="$i" \
    'BEGIN { if (a > 0 && ia > 0) printf "growth for 3 times the files: pruefen %.2f, integrity_check %.2f\n", b / a, ib / ia }'
  vorher=$p
  ivorher=$i
done
