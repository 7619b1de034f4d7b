#!/usr/bin/env bash
# Peak memory of scan to PDF against the Qt PNG writer, one process per case
# so that each maximum resident size belongs to that case alone.
#   bench/scan_speicher.sh [build-dir]
set -euo pipefail
bau="${1:-build}"
prog="$bau/vxm_scan_benchmark"
[ -x "$prog" ] || { echo "fehlt: $prog (cmake --build $bau --target vxm_scan_benchmark)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "fehlt: /usr/bin/time (Paket time)" >&2; exit 1; }

printf '%-22s %12s %12s %14s %10s\n' Fall "Zeit_ms" "Spitze_MiB" "ueber_Bild_MiB" "x_Rohbild"
for dpi in 150 300; do
  if [ "$dpi" = 150 ]; then roh=$((1240 * 1754 * 3)); else roh=$((2480 * 3508 * 3)); fi
  basis=$(/usr/bin/time -f '%M' "$prog" --benchmark_filter="BM_NurBild/$dpi/" 2>&1 >/dev/null | tail -1)
  for fall in BM_ScanZuPdf BM_PngMitQt BM_NurBild; do
    aus=$( { /usr/bin/time -f 'SPITZE %M' "$prog" --benchmark_filter="^$fall/$dpi(/|\$)" \
              --benchmark_format=csv 2>&1; } )
    spitze=$(sed -n 's/^SPITZE //p' <<<"$aus")
    zeit=$(grep "^\"$fall/$dpi" <<<"$aus" | cut -d, -f3 | head -1)
    awk -v f="$fall/$dpi" -v z="$zeit" -v s="$spitze" -v b="$basis" -v r="$roh" 'BEGIN {
      printf "%-22s %12.0f %12.1f %14.1f %10.2f\n", f, z, s/1024, (s-b)/1024 + r/1048576, (s-b)*1024/r + 1 }'
  done
done
echo "Spitze: maximale residente Groesse des Prozesses; ueber_Bild: Spitze minus Prozess"
echo "ohne Bild (Lauf BM_NurBild abzueglich des Rohbilds); x_Rohbild: dieselbe Groesse"
echo "geteilt durch die Rohgroesse (Breite x Hoehe x 3)."
