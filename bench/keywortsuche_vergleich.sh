#!/usr/bin/env bash
# Side-by-side timing of the command-line keyword search against the same
# join in the sqlite3 shell, on registers of 1/3 and all of $DATEIEN files
# (default 1,000,000), so growth shows too.
#
#   bench/keywortsuche_vergleich.sh [BUILD]
#
# BUILD holds vxmdorvex-suche and vxmdorvex-register (default build). Each
# file carries three of 3,000 keywords "MIETE 1" .. "MIETE 3000"; the search
# is 'MIETE 1*'. Registers are made once under $VXM_REGISTER (default
# /tmp/vxm-keywortregister). Every command runs once to warm the cache and
# $RUNDEN times (default 3); best wall time and the largest resident size are
# printed, and the hit lists are compared.
set -euo pipefail

BUILD=${1:-build}
ORT=${VXM_REGISTER:-/tmp/vxm-keywortregister}
DATEIEN=${DATEIEN:-1000000}
RUNDEN=${RUNDEN:-3}
mkdir -p "$ORT"

anlegen() {  # anlegen N
  local datei=$ORT/reg$1.mdb
  [ -f "$datei.fertig" ] && return
  rm -f "$datei" "$datei-wal" "$datei-shm"
  "$BUILD/vxmdorvex-register" anlegen "$datei" > /dev/null
  sqlite3 "$datei" <<SQL
BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
  INSERT INTO Keyword (Keyword, KeywordSchluessel) SELECT 'MIETE ' || i, 'MIETE ' || i FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $1)
  INSERT INTO Dateiinfo (Dateiname, Dateipfad, DateinameSchluessel, DateipfadSchluessel)
  SELECT 'Schreiben ' || i || '.pdf', 'C:\\VXMDOK\\1\\' || (i % 997), 'SCHREIBEN ' || i || '.PDF',
         'C:\\VXMDOK\\1\\' || (i % 997) FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $1)
  INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID)
  SELECT i, 1 + (i * 7919) % 3000 FROM n UNION ALL
  SELECT i, 1 + (i * 104729 + 17) % 3000 FROM n UNION ALL
  SELECT i, 1 + (i * 1299709 + 1234) % 3000 FROM n;
COMMIT;
SQL
  touch "$datei.fertig"
}

ERGEBNIS=$(mktemp -d)
trap 'rm -rf "$ERGEBNIS"' EXIT

messen() {  # messen NAME BEFEHL...
  local name=$1; shift
  "$@" > "$ERGEBNIS/$name.aus" 2>/dev/null || true
  local beste= rss=0 t r
  for _ in $(seq 1 "$RUNDEN"); do
    /usr/bin/time -f '%e %M' -o "$ERGEBNIS/zeit" "$@" > "$ERGEBNIS/$name.aus" 2>/dev/null || true
    read -r t r < <(tail -1 "$ERGEBNIS/zeit")
    if [ -z "$beste" ] || awk -v t="$t" -v b="$beste" 'BEGIN { exit !(t < b) }'; then beste=$t; fi
    [ "$r" -gt "$rss" ] && rss=$r
  done
  printf '  %-28s best %6.2f s  max RSS %6.1f MiB  hits %s\n' "$name" "$beste" "$(awk -v r="$rss" 'BEGIN { print r / 1024 }')" \
    "$(wc -l < "$ERGEBNIS/$name.aus")"
  echo "$beste" > "$ERGEBNIS/$name.beste"
}

JOIN="SELECT d.Dateipfad, d.Dateiname FROM Dateiinfo d WHERE EXISTS
  (SELECT 1 FROM KeywordZwischentabelle z WHERE z.Dateinummer = d.Dateinummer AND +z.KeywordID IN
   (SELECT KeywordID FROM Keyword WHERE KeywordSchluessel >= 'MIETE 1' AND KeywordSchluessel < 'MIETE 2'))
  ORDER BY d.Dateinummer;"

for n in $((DATEIEN / 3)) "$DATEIEN"; do
  anlegen "$n"
  echo "register of $n files, search 'MIETE 1*', $RUNDEN runs each"
  export VXM_LAUFWERKE="C=$ORT"
  messen "vxmdorvex-suche-$n" "$BUILD/vxmdorvex-suche" --keyword 'MIETE 1*' --register "C:\\reg$n.mdb"
  messen "sqlite3-join-$n" sqlite3 -readonly -separator $'\t' "$ORT/reg$n.mdb" "$JOIN"
  if cmp -s "$ERGEBNIS/vxmdorvex-suche-$n.aus" "$ERGEBNIS/sqlite3-join-$n.aus"; then
    echo "  same hits, same order"
  else
    echo "  DIFFERENT hits"; diff "$ERGEBNIS/vxmdorvex-suche-$n.aus" "$ERGEBNIS/sqlite3-join-$n.aus" | head -3
  fi
  awk -v a="$(cat "$ERGEBNIS/vxmdorvex-suche-$n.beste")" -v b="$(cat "$ERGEBNIS/sqlite3-join-$n.beste")" \
    'BEGIN { if (b > 0) printf "  vxmdorvex-suche / sqlite3 = %.2f\n", a / b }'
done
a=$(cat "$ERGEBNIS/vxmdorvex-suche-$((DATEIEN / 3)).beste") b=$(cat "$ERGEBNIS/vxmdorvex-suche-$DATEIEN.beste")
awk -v a="$a" -v b="$b" 'BEGIN { if (a > 0) printf "growth for 3 times the files: %.2f\n", b / a }'
