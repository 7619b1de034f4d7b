# Sources of search/ (paths from the top folder): without Qt for vxmkern,
# the windows (their headers for moc) for vxmqt. A new file is added here.
list(APPEND VXM_KERN_QUELLEN
  search/datensuche.cpp
  search/suchbegriffe.cpp
  search/suchbegriffzustand.cpp
  search/textpruefer.cpp
  search/textsuche.cpp
)
list(APPEND VXM_QT_QUELLEN
  search/qt/dateikeywoerter.cpp
  search/qt/dateikeywoerter.h
  search/qt/datensuche_fenster.cpp
  search/qt/datensuche_fenster.h
  search/qt/suchdateien.cpp
  search/qt/suchpanel.cpp
  search/qt/suchpanel.h
  search/qt/volltextfenster.cpp
  search/qt/volltextfenster.h
)
list(APPEND VXM_VOLLTEXT_QUELLEN
  search/volltext/auslesedienst.cpp
  search/volltext/erkennung.cpp
  search/volltext/vorerkennung.cpp
  search/volltext/extraktion.cpp
  search/volltext/extraktion_ole.cpp
  search/volltext/extraktion_pdf.cpp
  search/volltext/extraktion_text.cpp
  search/volltext/extraktion_zip.cpp
  search/volltext/faltung.cpp
  search/volltext/fortschritt.cpp
  search/volltext/indexierer.cpp
  search/volltext/kindprozess.cpp
  search/volltext/nebenleser.cpp
  search/volltext/ocr.cpp
  search/volltext/ordnerwache.cpp
  search/volltext/schreiber.cpp
  search/volltext/textpaket.cpp
  search/volltext/volltextindex.cpp
  search/volltext/volltextordner.cpp
  search/volltext/volltextsuche.cpp
  search/volltext/zerleger.cpp
)
