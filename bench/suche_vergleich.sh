#!/usr/bin/env bash
# Side-by-side timing of the store search against ripgrep, grep and find.
#
#   bench/suche_vergleich.sh [PROGRAMM]
#
# PROGRAMM is the vxmdorvex-suche executable (default build/vxmdorvex-suche).
# The corpus is generated once under $VXM_KORPUS (default /tmp/vxm-korpus):
#   text/   about 1 GB in 20,000 files, half plain text (words, some in
#           Windows-1252 with umlauts), half random binary, in nested folders;
#           the phrase sits in about 2 % of the text files in varied letter case
#   namen/  200,000 empty files in nested folders for the name search
# Then every tool runs once to warm the cache and $RUNDEN times (default 5)
# for the figures; the best and the mean wall-clock time are printed, and the
# file sets found are compared.
set -euo pipefail

PROGRAMM=${1:-build/vxmdorvex-suche}
KORPUS=${VXM_KORPUS:-/tmp/vxm-korpus}
RUNDEN=${RUNDEN:-5}
PHRASE=${PHRASE:-nebenkostenabrechnung}
TEIL=${TEIL:-part}

WOERTER=(Mieter Vermieter Wohnung Objekt Betriebskosten Heizung Wasser Abwasser
  Grundsteuer Versicherung Hausmeister Treppenhaus Reinigung Aufzug Garten Strom
  Kaution Miete Zahlung Frist Kündigung Vertrag Vereinbarung Schreiben Anlage
  Rechnung Mahnung Beleg Konto Überweisung Eigentümer Verwaltung Beschluss
  Versammlung Protokoll Instandhaltung Rücklage Schlüssel Balkon Keller Dach
  Fenster Türen Schaden Reparatur Handwerker Termin Besichtigung Übergabe
  Zähler Ablesung Verbrauch Abrechnung Nachzahlung Guthaben Vorauszahlung)

erzeugen_text() {
  local ziel=$KORPUS/text
  mkdir -p "$ziel"
  # Pools of running text: UTF-8, and the same words in Windows-1252.
  awk -v n=$((48 * 1024 * 1024)) -v seed=7 -v woerter="${WOERTER[*]}" '
    BEGIN { srand(seed); k = split(woerter, w, " "); size = 0
      while (size < n) {
        line = ""
        for (i = 0; i < 8 + int(rand() * 8); i++) line = line w[1 + int(rand() * k)] " " int(rand() * 10000) " "
        print line "\r"; size += length(line) + 2 } }' > "$KORPUS/pool-utf8.txt"
  iconv -f UTF-8 -t WINDOWS-1252 "$KORPUS/pool-utf8.txt" > "$KORPUS/pool-cp1252.txt"
  local poolgroesse
  poolgroesse=$(stat -c %s "$KORPUS/pool-cp1252.txt")
  local n=0 a b c
  RANDOM=11
  for a in $(seq -w 1 20); do
    for b in $(seq -w 1 10); do
      mkdir -p "$ziel/bereich$a/ordner$b/unter"
      for c in $(seq -w 1 100); do
        n=$((n + 1))
        local ordner=$ziel/bereich$a/ordner$b
        [ $((10#$c % 3)) -eq 0 ] && ordner=$ordner/unter
        # sizes from 1 KB to about 100 KB, a few of several MB
        local groesse=$(( (RANDOM % 100 + 1) * 1000 + RANDOM % 1000 ))
        [ $((n % 500)) -eq 0 ] && groesse=$((groesse * 40))
        if [ $((n % 2)) -eq 0 ]; then
          local endung=(bin pdf doc jpg)
          head -c "$groesse" /dev/urandom > "$ordner/daten$n.${endung[$((n / 2 % 4))]}"
        else
          local pool=$KORPUS/pool-utf8.txt
          [ $((n % 7)) -eq 1 ] && pool=$KORPUS/pool-cp1252.txt
          local endung=(txt csv rtf txt log)
          local datei=$ordner/text$n.${endung[$((n / 2 % 5))]}
          local versatz=$(( (RANDOM * 32768 + RANDOM) % (poolgroesse - groesse - 1) ))
          if [ $((n % 50)) -eq 1 ]; then
            local formen=(nebenkostenabrechnung NEBENKOSTENABRECHNUNG Nebenkostenabrechnung NebenkostenAbrechnung)
            local vorn=$(( RANDOM % groesse ))
            { dd if="$pool" iflag=skip_bytes,count_bytes skip=$versatz count=$vorn status=none
              printf '%s' "${formen[$((n / 50 % 4))]}"
              dd if="$pool" iflag=skip_bytes,count_bytes skip=$((versatz + vorn)) count=$((groesse - vorn)) status=none
            } > "$datei"
          else
            dd if="$pool" of="$datei" iflag=skip_bytes,count_bytes skip=$versatz count=$groesse status=none
          fi
        fi
      done
    done
  done
  touch "$ziel/.fertig"
}

erzeugen_namen() {
  local ziel=$KORPUS/namen
  local namen=(Mietvertrag Mietpartei Partner Nebenkosten PARTY Rechnung Apartment
    Protokoll Abrechnung Teilungserklaerung Departement Schreiben Übergabe Zählerstand)
  local a b
  for a in $(seq -w 1 20); do
    for b in $(seq -w 1 10); do
      mkdir -p "$ziel/haus$a/stock$b"
      ( cd "$ziel/haus$a/stock$b" &&
        awk -v a=$a -v b=$b -v namen="${namen[*]}" 'BEGIN { k = split(namen, w, " ")
          for (i = 1; i <= 1000; i++) printf "%s_%s%s_%04d.%s\n", w[1 + (i * 7 + a * 3 + b) % k], a, b, i, (i % 3 ? "pdf" : "doc") }' |
        xargs touch )
    done
  done
  touch "$ziel/.fertig"
}

[ -f "$KORPUS/text/.fertig" ] || { echo "generating text corpus under $KORPUS/text ..." >&2; erzeugen_text; }
[ -f "$KORPUS/namen/.fertig" ] || { echo "generating name tree under $KORPUS/namen ..." >&2; erzeugen_namen; }

[ "${NUR_KORPUS:-0}" = 1 ] && exit 0

export VXM_LAUFWERKE="K=$KORPUS"
ERGEBNIS=$(mktemp -d)
trap 'rm -rf "$ERGEBNIS"' EXIT

# The tool prints "folder<TAB>name" with Windows-form folders on drive K:.
host_pfade() { awk -F '\t' -v k="$KORPUS" '{ p = $1 "/" $2; sub(/^K:/, k, p); gsub(/\\/, "/", p); print p }'; }

# messen NAME BEFEHL... : warm-up, then RUNDEN timed runs; output kept of the last.
# Wall-clock time decides; CPU time (user + system, all threads) is shown
# beside it because the machine may be shared.
messen() {
  local name=$1; shift
  "$@" > "$ERGEBNIS/$name.aus" 2>/dev/null || true
  local summe=0 beste= cpu= t c
  for _ in $(seq 1 "$RUNDEN"); do
    /usr/bin/time -f '%e %U %S' -o "$ERGEBNIS/zeit" "$@" > "$ERGEBNIS/$name.aus" 2>/dev/null || true
    read -r t u s < <(tail -1 "$ERGEBNIS/zeit")
    c=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')
    summe=$(awk -v s="$summe" -v t="$t" 'BEGIN { print s + t }')
    if [ -z "$beste" ] || awk -v t="$t" -v b="$beste" 'BEGIN { exit !(t < b) }'; then beste=$t; fi
    if [ -z "$cpu" ] || awk -v t="$c" -v b="$cpu" 'BEGIN { exit !(t < b) }'; then cpu=$c; fi
  done
  local mittel
  mittel=$(awk -v s="$summe" -v n="$RUNDEN" 'BEGIN { printf "%.3f", s / n }')
  printf '%-24s best %6.3f s  mean %6.3f s  cpu %6.3f s  hits %s\n' "$name" "$beste" "$mittel" "$cpu" \
    "$(wc -l < "$ERGEBNIS/$name.aus")"
  echo "$beste" > "$ERGEBNIS/$name.beste"
}

vergleichen() {
  if cmp -s "$ERGEBNIS/$1.liste" "$ERGEBNIS/$2.liste"; then
    echo "  same files: $1 = $2"
  else
    echo "  DIFFERENT files: $1 vs $2"; diff "$ERGEBNIS/$1.liste" "$ERGEBNIS/$2.liste" | head -5
  fi
}

groesse=$(du -sb "$KORPUS/text" | cut -f1)
dateien=$(find "$KORPUS/text" -type f ! -name .fertig | wc -l)
echo "text corpus: $dateien files, $((groesse / 1048576)) MiB; phrase '$PHRASE'; $RUNDEN runs each"
messen vxmdorvex-suche-text "$PROGRAMM" --text "$PHRASE" --ordner 'K:\text'
messen rg-text rg -F -i -l "$PHRASE" "$KORPUS/text"
messen grep-text grep -r -F -i -l "$PHRASE" "$KORPUS/text"
host_pfade < "$ERGEBNIS/vxmdorvex-suche-text.aus" | sort > "$ERGEBNIS/vxmdorvex-suche-text.liste"
sort "$ERGEBNIS/rg-text.aus" > "$ERGEBNIS/rg-text.liste"
sort "$ERGEBNIS/grep-text.aus" > "$ERGEBNIS/grep-text.liste"
vergleichen vxmdorvex-suche-text rg-text
vergleichen vxmdorvex-suche-text grep-text
for w in vxmdorvex-suche-text rg-text grep-text; do
  awk -v g="$groesse" -v t="$(cat "$ERGEBNIS/$w.beste")" -v w="$w" \
    'BEGIN { printf "  %-32s %7.0f MiB/s\n", w, (t > 0 ? g / 1048576 / t : 0) }'
done

dateien=$(find "$KORPUS/namen" -type f ! -name .fertig | wc -l)
echo "name tree: $dateien files; part '$TEIL'"
messen vxmdorvex-suche-name "$PROGRAMM" --name "$TEIL" --ordner 'K:\namen'
messen find-iname find "$KORPUS/namen" -type f -iname "*$TEIL*"
host_pfade < "$ERGEBNIS/vxmdorvex-suche-name.aus" | sort > "$ERGEBNIS/vxmdorvex-suche-name.liste"
sort "$ERGEBNIS/find-iname.aus" > "$ERGEBNIS/find-iname.liste"
vergleichen vxmdorvex-suche-name find-iname
awk -v a="$(cat "$ERGEBNIS/vxmdorvex-suche-name.beste")" -v b="$(cat "$ERGEBNIS/find-iname.beste")" \
  'BEGIN { if (b > 0) printf "  name search / find = %.2f\n", a / b }'
awk -v a="$(cat "$ERGEBNIS/vxmdorvex-suche-text.beste")" -v r="$(cat "$ERGEBNIS/rg-text.beste")" \
  -v g="$(cat "$ERGEBNIS/grep-text.beste")" \
  'BEGIN { if (a > 0) printf "  text throughput vs rg = %.2f, vs grep = %.2f\n", r / a, g / a }'
