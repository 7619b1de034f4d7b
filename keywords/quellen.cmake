# Sources of keywords/ (paths from the top folder): without Qt for vxmkern,
# the windows (their headers for moc) for vxmqt. A new file is added here.
list(APPEND VXM_KERN_QUELLEN
  keywords/buchstaben.cpp
  keywords/eingabe.cpp
  keywords/register.cpp
  keywords/registerpruefung.cpp
  keywords/registerzugriff.cpp
  keywords/serverregister.cpp
)
list(APPEND VXM_QT_QUELLEN
  keywords/qt/keywortpanel.cpp
  keywords/qt/keywortpanel.h
)
