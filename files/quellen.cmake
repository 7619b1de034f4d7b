# Sources of files/ (paths from the top folder): without Qt for vxmkern,
# the windows (their headers for moc) for vxmqt. A new file is added here.
list(APPEND VXM_KERN_QUELLEN
  files/abdrucknachtrag.cpp
  files/abgleich.cpp
  files/bestandslauf.cpp
  files/dateidetails.cpp
  files/dateiloeschen.cpp
  files/dateiuebertragung.cpp
  files/fingerabdruck.cpp
  files/ordnerlauf.cpp
  files/ordnernachpflege.cpp
  files/ordnerstatistik.cpp
  files/ordnerumbenennen.cpp
  files/umzugsstapel.cpp
  files/registerkopie.cpp
  files/registerpflege.cpp
  files/registervorhaben.cpp
  files/wiedererkennung.cpp
)
list(APPEND VXM_QT_QUELLEN
  files/qt/abdrucknachtrag.cpp
  files/qt/aktionen.cpp
  files/qt/aktionen.h
  files/qt/dateiliste.cpp
  files/qt/frmordnerinfo.cpp
  files/qt/frmordnerinfo.h
  files/qt/ordnerwaechter.cpp
)
