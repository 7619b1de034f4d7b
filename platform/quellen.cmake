# Sources of platform/ (paths from the top folder): without Qt for vxmkern,
# the windows (their headers for moc) for vxmqt. A new file is added here.
list(APPEND VXM_KERN_QUELLEN
  platform/benutzerordner.cpp
  platform/dateisystem.cpp
  platform/datenbank.cpp
  platform/datenbankanlage.cpp
  platform/dialoge.cpp
  platform/dienste.cpp
  platform/falltabelle.cpp
  platform/fehler.cpp
  platform/inhaltshash.cpp
  platform/jetsql.cpp
  platform/jetuebersetzung.cpp
  platform/komponenten.cpp
  platform/laufwerke.cpp
  platform/logpuffer.cpp
  platform/namensliste.cpp
  platform/oeffner.cpp
  platform/pgschema.cpp
  platform/pgverbindung.cpp
  platform/recordset.cpp
  platform/rueckschreiben.cpp
  platform/servertext.cpp
  platform/sqliteprozess.cpp
  platform/sqliteverbindung.cpp
  platform/sqltext.cpp
  platform/text.cpp
  platform/variant.cpp
)
list(APPEND VXM_QT_QUELLEN
  platform/qt/desktopoeffner.cpp
  platform/qt/desktopoeffner.h
  platform/qt/papierkorb.cpp
  platform/qt/papierkorb.h
  platform/qt/protokoll.cpp
  platform/qt/protokoll.h
  platform/qt/qtdialoge.cpp
  platform/qt/qtdialoge.h
  platform/qt/qtuebersetzung.cpp
  platform/qt/qtuebersetzung.h
  platform/qt/steuerelemente.cpp
  platform/qt/steuerelemente.h
)
