# Sources of imaging/ (paths from the top folder): without Qt for vxmkern,
# the windows (their headers for moc) for vxmqt. A new file is added here.
list(APPEND VXM_KERN_QUELLEN
  imaging/bild.cpp
  imaging/bilddatei.cpp
  imaging/bildpuffer.cpp
  imaging/clspdf.cpp
  imaging/scanner.cpp
  imaging/scanpdf.cpp
)
list(APPEND VXM_QT_QUELLEN
  imaging/qt/bildanzeige.cpp
  imaging/qt/bildanzeige.h
  imaging/qt/bildkodierer_qt.cpp
  imaging/qt/bildkodierer_qt.h
  imaging/qt/scanfenster.cpp
  imaging/qt/scanfenster.h
)
