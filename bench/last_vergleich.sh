#!/usr/bin/env bash
# Eight workstations on one register for 60 s, on a SQLite file on the local
# disk and on PostgreSQL, side by side (operations per second, p50/p99/max
# latency, and the check of the register afterwards). Starts a private
# PostgreSQL 15 (.ci/postgres) when VXM_PG_TEST names no server.
#   bench/last_vergleich.sh [BUILD-ORDNER] [--prozesse N] [--sekunden S]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then build=$1; shift; fi
programm="$build/vxm_last_benchmark"
if [ ! -x "$programm" ]; then
  echo "$programm fehlt: mit -DVXM_BENCHMARKS=ON bauen (cmake --build $build --target vxm_last_benchmark)." >&2
  exit 2
fi
if [ -z "${VXM_PG_TEST:-}" ]; then
  source .ci/postgres
  trap pg_stoppen EXIT
  pg_starten
fi
"$programm" --prozesse 8 --sekunden 60 "$@"
