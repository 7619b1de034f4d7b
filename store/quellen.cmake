# Sources of store/ (paths from the top folder): without Qt for vxmkern,
# the windows (their headers for moc) for vxmqt. A new file is added here.
list(APPEND VXM_KERN_QUELLEN
  store/entitaeten.cpp
  store/ordnerlayout.cpp
)
list(APPEND VXM_QT_QUELLEN
  store/qt/beschriftungen.cpp
  store/qt/beschriftungen.h
  store/qt/ordnerbaum.cpp
  store/qt/ordnerbaum.h
  store/qt/symbole.cpp
)
