# The demo host's own parts: sample data, its outside components.
list(APPEND VXM_DEMO_TEILE
  app/demo_daten.cpp
  app/demo_scanner.cpp
  app/demo_termin.cpp
)
