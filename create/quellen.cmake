# Sources of create/ (paths from the top folder): without Qt for vxmkern,
# the windows (their headers for moc) for vxmqt. A new file is added here.
list(APPEND VXM_KERN_QUELLEN
  create/buerodatei.cpp
  create/libreoffice.cpp
  create/serienbrief.cpp
)
list(APPEND VXM_QT_QUELLEN
  create/qt/neuesdokument.cpp
  create/qt/neuesdokument.h
)
