# The benchmarks, one program each (paths from the top folder).
list(APPEND VXM_BENCHMARK_QUELLEN
  bench/abgleich_benchmark.cpp
  bench/aktionen_benchmark.cpp
  bench/dateiliste_benchmark.cpp
  bench/fenster_benchmark.cpp
  bench/keywords_benchmark.cpp
  bench/keywortsuche_benchmark.cpp
  bench/last_benchmark.cpp
  bench/neuesdokument_benchmark.cpp
  bench/office_benchmark.cpp
  bench/pdf_benchmark.cpp
  bench/register_benchmark.cpp
  bench/registeroeffnen_benchmark.cpp
  bench/registerstatistik_benchmark.cpp
  bench/scan_benchmark.cpp
  bench/suche_benchmark.cpp
  bench/volltext_benchmark.cpp
)
