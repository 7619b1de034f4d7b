# Sources of basis/ (paths from the top folder): without Qt for vxmkern,
# the windows (their headers for moc) for vxmqt. A new file is added here.
list(APPEND VXM_KERN_QUELLEN
  basis/dateifunktionen.cpp
  basis/einstellungen.cpp
  basis/fehlermelden.cpp
  basis/zustand.cpp
)
list(APPEND VXM_QT_QUELLEN
  basis/qt/bildschirm.cpp
  basis/qt/bildschirm.h
  basis/qt/hauptfensterzugang.h
)
