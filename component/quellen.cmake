# Sources of component/ (paths from the top folder): without Qt for vxmkern,
# the windows (their headers for moc) for vxmqt. A new file is added here.
list(APPEND VXM_KERN_QUELLEN
  component/dokpfad.cpp
  component/hauptfenster.cpp
  component/vxmdorvex.cpp
)
list(APPEND VXM_QT_QUELLEN
  component/qt/frmdorvex.cpp
  component/qt/frmdorvex.h
  component/qt/frmdorvex_aufbau.cpp
  component/qt/frmdorvex_verbinden.cpp
  component/qt/frmdorvex_zugang.cpp
  component/qt/oberflaeche.cpp
  component/qt/oberflaeche.h
  component/qt/skalieren.cpp
)
