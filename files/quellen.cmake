# Sources of files/ (paths from the top folder): without Qt for vxmkern,
# the windows (their headers for moc) for vxmqt. A new file is added here.
list(APPEND VXM_KERN_QUELLEN
  files/dateidetails.cpp
  files/dateiloeschen.cpp
  files/dateiuebertragung.cpp
  files/ordnerlauf.cpp
  files/ordnerstatistik.cpp
  files/ordnerumbenennen.cpp
  files/registerpflege.cpp
  files/registervorhaben.cpp
)
list(APPEND VXM_QT_QUELLEN
  files/qt/aktionen.cpp
  files/qt/aktionen.h
  files/qt/dateiliste.cpp
  files/qt/frmordnerinfo.cpp
  files/qt/frmordnerinfo.h
  files/qt/ordnerwaechter.cpp
)
