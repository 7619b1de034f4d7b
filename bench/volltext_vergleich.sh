#!/usr/bin/env bash
# The full-text index side by side with Debian's recoll and the byte search,
# on one corpus, in one run:
#
#   bench/volltext_vergleich.sh [BUILD]        (default build)
#
# BUILD holds vxmdorvex-index, vxmdorvex-suche, vxmdorvex-extrakt and
# vxm_volltext_benchmark (configure with -DVXM_BENCHMARKS=ON). Needs
# recoll, soffice, pdftoppm and python3. Everything lands under
# $VXM_VOLLTEXT_BENCH (default /tmp/vxm-volltext-bench):
#   korpus/debian-doc   a copy of /usr/share/doc
#   korpus/libreoffice  a copy of /usr/lib/libreoffice/share (documentation,
#                       templates, gallery, dialogs)
#   korpus/briefe       German letters written by LibreOffice as .docx,
#                       .odt, .doc and .pdf (compressed text streams)
#   korpus/scans        a letter rendered at 300 dpi as a picture and as an
#                       image-only PDF
# Figures: indexing time and files per minute, index size, query median
# (Google Benchmark, in-process), hits per phrase of byte search, index and
# recollq with the differences listed, OCR word accuracy.
set -euo pipefail

BUILD=$(cd "${1:-build}" && pwd)
WURZEL=${VXM_VOLLTEXT_BENCH:-/tmp/vxm-volltext-bench}
KORPUS=$WURZEL/korpus
QUELLE=$WURZEL/quelle
ERG=$WURZEL/ergebnis
mkdir -p "$KORPUS" "$QUELLE" "$ERG"
export HOME=$WURZEL/home
mkdir -p "$HOME"

PHRASEN=${PHRASEN:-"Nebenkostenabrechnung;Sehr geehrte Frau;Mieterhöhung;Kündigung der Wohnung;Aktenzeichen VX-1017;Grundsteuer;GNU General Public License;Permission is hereby granted;LibreOffice;ScriptForge;hyphenation;Straße"}

# --- corpus ---------------------------------------------------------------
if [ ! -e "$KORPUS/.fertig" ]; then
  rm -rf "${KORPUS:?}"/*
  cp -r --no-preserve=ownership /usr/share/doc "$KORPUS/debian-doc" 2>/dev/null || true
  [ -d /usr/lib/libreoffice/share ] && cp -r /usr/lib/libreoffice/share "$KORPUS/libreoffice" 2>/dev/null || true
  # Links would be indexed twice by one tool and not at all by the other.
  find "$KORPUS" -type l -delete
  python3 - "$QUELLE" <<'PY'
import random, sys, os
ziel = sys.argv[1]
random.seed(19)
namen = ["Müller", "Schäfer", "Özdemir", "Weiß", "Groß", "Köhler", "Bäcker", "Jäger", "Krüger", "Voß"]
strassen = ["Goethestraße", "Schillerstraße", "Am Mühlbach", "Lindenallee", "Hauptstraße"]
themen = [
  ("Nebenkostenabrechnung {jahr}", "anbei erhalten Sie die Nebenkostenabrechnung für das Jahr {jahr}. Es ergibt sich eine Nachzahlung von {betrag} Euro, die Sie bitte bis zum {datum} auf unser Konto überweisen."),
  ("Mieterhöhung", "gemäß § 558 BGB bitten wir Sie um Zustimmung zu einer Mieterhöhung von {betrag} Euro monatlich ab dem {datum}. Die ortsübliche Vergleichsmiete wird nicht überschritten."),
  ("Kündigung der Wohnung", "hiermit bestätigen wir den Eingang Ihrer Kündigung der Wohnung zum {datum}. Für die Wohnungsübergabe schlagen wir einen Termin in der Woche davor vor."),
  ("Grundsteuer und Versicherung", "die Grundsteuer für das Objekt ist um {betrag} Euro gestiegen; die Gebäudeversicherung bleibt unverändert. Die Vorauszahlungen werden ab {datum} angepasst."),
  ("Wasserschaden im Keller", "nach dem Wasserschaden im Keller hat der Handwerker die Trocknung abgeschlossen. Die Kosten von {betrag} Euro übernimmt die Versicherung."),
]
for i in range(40):
    titel, text = themen[i % len(themen)]
    werte = dict(jahr=2018 + i % 6, betrag=f"{random.randint(20, 900)},{random.randint(0, 99):02d}",
                 datum=f"{random.randint(1, 28)}.{random.randint(1, 12)}.{2020 + i % 5}")
    name = namen[i % len(namen)]
    brief = (f"Hausverwaltung Sonnenhof GmbH\n{random.choice(strassen)} {random.randint(1, 80)}\n12345 Musterstadt\n\n"
             f"Frau {name}\n{random.choice(strassen)} {random.randint(1, 80)}\n54321 Beispielort\n\n"
             f"Aktenzeichen VX-{1000 + i}\n\nBetreff: {titel.format(**werte)}\n\n"
             f"Sehr geehrte Frau {name},\n\n{text.format(**werte)}\n\n"
             f"Für Rückfragen stehen wir Ihnen gern zur Verfügung.\n\nMit freundlichen Grüßen\n\nIhre Hausverwaltung\n")
    open(os.path.join(ziel, f"brief{i:02d}.txt"), "w", encoding="utf-8").write(brief)
PY
  mkdir -p "$KORPUS/briefe" "$KORPUS/scans"
  lo() { soffice -env:UserInstallation=file://$WURZEL/lo-profil --headless --norestore "$@" >/dev/null 2>&1; }
  # Ten letters in each format, each letter in one format only.
  for f in docx odt doc pdf; do
    mkdir -p "$WURZEL/tmp-$f"
    case $f in docx) nr="0 1 2 3 4 5 6 7 8 9";; odt) nr="10 11 12 13 14 15 16 17 18 19";;
               doc) nr="20 21 22 23 24 25 26 27 28 29";; pdf) nr="30 31 32 33 34 35 36 37 38";; esac
    quellen=(); for n in $nr; do quellen+=("$QUELLE/brief$(printf %02d "$n").txt"); done
    lo --convert-to "$f" --outdir "$KORPUS/briefe" "${quellen[@]}"
  done
  # The scan: letter 39 printed to PDF, rendered at 300 dpi (a picture), and
  # that picture as an image-only PDF.
  lo --convert-to pdf --outdir "$WURZEL" "$QUELLE/brief39.txt"
  pdftoppm -r 300 -gray -png -singlefile "$WURZEL/brief39.pdf" "$KORPUS/scans/brief39-scan"
  lo --convert-to pdf --outdir "$WURZEL/tmp-scan" "$KORPUS/scans/brief39-scan.png"
  mv "$WURZEL/tmp-scan/brief39-scan.pdf" "$KORPUS/scans/brief39-scan-bild.pdf"
  touch "$KORPUS/.fertig"
fi
DATEIEN=$(find "$KORPUS" -type f ! -name .fertig | wc -l)
echo "Korpus: $DATEIEN Dateien, $(du -sh --exclude=.fertig "$KORPUS" | cut -f1)"

# --- indexing -------------------------------------------------------------
TIMEFORMAT='%R %U %S'
rm -rf "$WURZEL/index" "$WURZEL/recoll"
mkdir -p "$WURZEL/index" "$WURZEL/recoll"
export VXM_LAUFWERKE="C=$KORPUS;D=$WURZEL/index"
export VXM_EXTRAKT=$BUILD/vxmdorvex-extrakt
zeit_index=$( { time "$BUILD/vxmdorvex-index" --ordner 'C:\' --register 'D:\vxmdok.mdb' --vorrang 2>"$ERG/index.log"; } 2>&1 )
python3 -c "import sqlite3; sqlite3.connect('$WURZEL/index/vxmdok.volltext').execute('PRAGMA wal_checkpoint(TRUNCATE)')"
groesse_index=$(du -sb "$WURZEL/index" | cut -f1)
"$BUILD/vxmdorvex-index" --register 'D:\vxmdok.mdb' --fehler > "$ERG/nicht-indizierbar.txt"

# recoll with Debian's settings (its hits are compared below) and again with
# `file -i` for the type of files without a known suffix: by default it asks
# xdg's `mimetype`, a Perl program started for every such file, which on a
# desktop with libfile-mimeinfo-perl makes it several times slower. The
# faster of the two is the reference. Its spelling dictionary is no part of
# indexing (noaspell); Debian's own python3 runs its filters.
recoll_pfad=/usr/sbin:/usr/bin:/sbin:/bin
cat > "$WURZEL/recoll/recoll.conf" <<EOF
topdirs = $KORPUS
skippedNames+ = .fertig
noaspell = 1
EOF
zeit_recoll=$( { time PATH=$recoll_pfad recollindex -c "$WURZEL/recoll" -z >"$ERG/recoll.log" 2>&1; } 2>&1 )
groesse_recoll=$(du -sb "$WURZEL/recoll/xapiandb" | cut -f1)
rm -rf "$WURZEL/recoll-file" && mkdir -p "$WURZEL/recoll-file"
{ cat "$WURZEL/recoll/recoll.conf"; echo "systemfilecommand = file -i"; } > "$WURZEL/recoll-file/recoll.conf"
zeit_recoll_file=$( { time PATH=$recoll_pfad recollindex -c "$WURZEL/recoll-file" -z >"$ERG/recoll-file.log" 2>&1; } 2>&1 )
groesse_recoll_file=$(du -sb "$WURZEL/recoll-file/xapiandb" | cut -f1)
rm -rf "$WURZEL/recoll-file"

# --- hits -----------------------------------------------------------------
IFS=';' read -r -a phrasen <<<"$PHRASEN"
for p in "${phrasen[@]}"; do
  d=$ERG/treffer-$(echo "$p" | tr ' /' '__')
  mkdir -p "$d"
  "$BUILD/vxmdorvex-suche" --text "$p" --ordner 'C:\' --ohne-index 2>/dev/null > "$d/bytes.txt" || true
  "$BUILD/vxmdorvex-suche" --text "$p" --ordner 'C:\' --register 'D:\vxmdok.mdb' 2>/dev/null > "$d/index.txt" || true
  recollq -c "$WURZEL/recoll" -b -n 100000 "\"$p\"" 2>/dev/null > "$d/recoll.txt" || true
done

# --- query time -----------------------------------------------------------
VXM_VOLLTEXT_INDEX=$WURZEL/index/vxmdok.volltext VXM_PHRASEN="$PHRASEN" \
  "$BUILD/vxm_volltext_benchmark" --benchmark_repetitions=${RUNDEN:-7} --benchmark_min_time=0.05 \
  --benchmark_report_aggregates_only=true --benchmark_format=json > "$ERG/abfragen.json" 2>/dev/null
recoll_zeiten=()
for p in "${phrasen[@]}"; do
  for r in 1 2 3 4 5; do
    s=$(date +%s%N); recollq -c "$WURZEL/recoll" -b -n 100000 "\"$p\"" >/dev/null 2>&1 || true; e=$(date +%s%N)
    recoll_zeiten+=("$p=$(( (e - s) / 1000 ))")
  done
done

# --- OCR ------------------------------------------------------------------
"$BUILD/vxmdorvex-extrakt" --datei "$KORPUS/scans/brief39-scan.png" --ocr 0 2>/dev/null > "$ERG/ocr.txt" || true

python3 - "$ERG" "$KORPUS" "$QUELLE" "$DATEIEN" "$zeit_index" "$zeit_recoll" "$groesse_index" "$groesse_recoll" \
  "$PHRASEN" "$zeit_recoll_file" "$groesse_recoll_file" "${recoll_zeiten[@]}" <<'PY'
import json, os, re, statistics, sys, difflib, urllib.parse
erg, korpus, quelle, dateien = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
zi, zr = [float(x) for x in sys.argv[5].split()], [float(x) for x in sys.argv[6].split()]
gi, gr = int(sys.argv[7]), int(sys.argv[8])
phrasen = sys.argv[9].split(";")
zf, gf = [float(x) for x in sys.argv[10].split()], int(sys.argv[11])
rz = {}
for a in sys.argv[12:]:
    p, us = a.rsplit("=", 1)
    rz.setdefault(p, []).append(int(us) / 1000)

def host(zeile):
    teile = zeile.rstrip("\n").split("\t")
    if len(teile) < 2: return None
    ordner = teile[0][2:].replace("\\", "/").lstrip("/")
    return os.path.normpath(os.path.join(korpus, ordner, teile[1]))

print(f"\nIndexieren ({dateien} Dateien)      Volltextindex        recoll")
print(f"  Zeit (Wand / CPU)          {zi[0]:7.1f} s / {zi[1]+zi[2]:6.1f} s   {zr[0]:7.1f} s / {zr[1]+zr[2]:6.1f} s")
print(f"  Dateien je Minute (Wand)   {dateien/zi[0]*60:10.0f}         {dateien/zr[0]*60:10.0f}")
print(f"  Indexgröße                 {gi/2**20:8.1f} MiB       {gr/2**20:8.1f} MiB   (Verhältnis {gi/gr:.2f})")
print(f"  recoll mit file -i: {zf[0]:.1f} s Wand / {zf[1]+zf[2]:.1f} s CPU, {dateien/zf[0]*60:.0f} Dateien je Minute, "
      f"{gf/2**20:.1f} MiB")
print(f"  gegen das schnellere recoll: {min(zr[0], zf[0])/zi[0]:.2f}-mal so viele Dateien je Minute, "
      f"Index {gi/min(gr, gf):.2f}-mal so groß wie der kleinere")

bench = json.load(open(os.path.join(erg, "abfragen.json")))
median = {}
for b in bench["benchmarks"]:
    if b.get("aggregate_name") == "median":
        art, p = b["run_name"].split("/", 1)
        median[(art, p)] = (b["real_time"], b.get("Treffer", 0))
print("\nAbfragen (Median, ms)          jede Datei  Ordnerzeiten  beobachtet  Bytesuche  Faktor(jede/Ordner/beob.)  recollq*")
for p in phrasen:
    i = median.get(("Index", p), (float("nan"), 0))[0]
    o = median.get(("IndexOrdnerzeiten", p), (float("nan"), 0))[0]
    w = median.get(("IndexBeobachtet", p), (float("nan"), 0))[0]
    b = median.get(("Bytesuche", p), (float("nan"), 0))[0]
    r = statistics.median(rz.get(p, [float("nan")]))
    print(f"  {p[:30]:30s} {i:10.2f} {o:13.2f} {w:11.2f} {b:10.1f} {b/i:7.0f}x /{b/o:5.0f}x /{b/w:5.0f}x {r:9.1f}")
arten = ("Index", "IndexOrdnerzeiten", "IndexBeobachtet", "Bytesuche")
alle = {art: [median[(art, p)][0] for p in phrasen if (art, p) in median] for art in arten}
if all(alle[a] for a in arten):
    mi, mo, mw, mb = (statistics.median(alle[a]) for a in arten)
    print(f"  {'Median über alle Phrasen':30s} {mi:10.2f} {mo:13.2f} {mw:11.2f} {mb:10.1f} {mb/mi:7.0f}x /{mb/mo:5.0f}x /{mb/mw:5.0f}x")
    # The factor per phrase, then its median: each phrase against the byte search of the same phrase.
    fw = statistics.median(median[("Bytesuche", p)][0] / median[("IndexBeobachtet", p)][0] for p in phrasen
                           if ("Bytesuche", p) in median and ("IndexBeobachtet", p) in median)
    print(f"  Median der Faktoren je Phrase (beobachtet): {fw:.0f}x")
print("  * recollq als Programmaufruf (mit Programmstart), zum Vergleich der Größenordnung")

print("\nTreffer                               Bytes   Index  recollq  Bytes\\Index  recoll\\Index  Index\\recoll")
unterschiede = []
for p in phrasen:
    d = os.path.join(erg, "treffer-" + p.replace(" ", "_").replace("/", "_"))
    B = {host(z) for z in open(os.path.join(d, "bytes.txt"), encoding="utf-8", errors="replace")} - {None}
    I = {host(z) for z in open(os.path.join(d, "index.txt"), encoding="utf-8", errors="replace")} - {None}
    R = set()
    for z in open(os.path.join(d, "recoll.txt"), encoding="utf-8", errors="replace"):
        z = z.strip()
        if z.startswith("file://"):
            pfad = urllib.parse.unquote(z[7:]).split("|")[0]
            R.add(os.path.normpath(pfad))
    print(f"  {p[:34]:34s} {len(B):6d} {len(I):7d} {len(R):8d} {len(B-I):11d} {len(R-I):13d} {len(I-R):13d}")
    for f in sorted(B - I): unterschiede.append(f"{p}: nur Bytesuche: {f}")
    for f in sorted(R - I): unterschiede.append(f"{p}: nur recoll: {f}")
with open(os.path.join(erg, "unterschiede.txt"), "w") as f:
    f.write("\n".join(unterschiede) + "\n")
print(f"  Unterschiede (Bytesuche oder recoll fand, Index nicht): {len(unterschiede)}, in {erg}/unterschiede.txt")
for u in unterschiede[:40]: print("   ", u)

def woerter(t): return [w.strip(".,:;!?()\"'") for w in t.split() if w.strip(".,:;!?()\"'")]
soll = woerter(open(os.path.join(quelle, "brief39.txt"), encoding="utf-8").read())
ist = woerter(open(os.path.join(erg, "ocr.txt"), encoding="utf-8", errors="replace").read())
m = difflib.SequenceMatcher(a=soll, b=ist, autojunk=False)
richtig = sum(b.size for b in m.get_matching_blocks())
print(f"\nTexterkennung (300 dpi, sauber): {richtig} von {len(soll)} Wörtern richtig = {100*richtig/len(soll):.1f} %")
PY
