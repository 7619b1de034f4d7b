#!/usr/bin/env bash
# Renders the program icon paket/symbol/vxmdorvex.svg into the PNG sizes of
# the hicolor theme that are committed beside it (needs librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../paket/symbol"
for g in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$g" -h "$g" vxmdorvex.svg -o "vxmdorvex-$g.png"
done
