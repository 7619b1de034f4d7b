#include "platform/qt/papierkorb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "platform/dateisystem.h"
#include "platform/dienste.h"

namespace vxm {
namespace {

QString Uid() { return QString::number(::getuid()); }

// Whether the trash that Qt picks for a file is there or can be made. Where
// Qt finds none it takes the process's current folder for the trash, so the
// move is only asked for when one of the freedesktop trash folders is at hand.
bool KorbErreichbar(const QString& datei) {
  const QStorageInfo quelle(datei);
  if (quelle != QStorageInfo(QDir::home())) {
    const QDir oben(quelle.rootPath());
    if (QFileInfo(oben.filePath(".Trash/" + Uid())).isDir() || QFileInfo(oben.filePath(".Trash-" + Uid())).isDir() ||
        QFileInfo(oben.path()).isWritable())
      return true;
  }
  // The home trash lives in the user's data folder, which a new account may
  // not have yet: it is made, as any desktop program would.
  const QString daten = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return !daten.isEmpty() && (QFileInfo(daten).isDir() || QDir().mkpath(daten));
}

// "files" inside a trash folder: Trash, .Trash-$uid or .Trash/$uid.
bool InEinemKorb(const QString& imKorb) {
  QDir d = QFileInfo(imKorb).absoluteDir();
  if (d.dirName() != "files" || !d.cdUp()) return false;
  const QString name = d.dirName();
  if (name == "Trash" || name == ".Trash-" + Uid()) return true;
  return name == Uid() && d.cdUp() && d.dirName() == ".Trash";
}

}  // namespace

Korb InDenPapierkorb(const std::string& windowsPfad) {
  auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get());
  if (!host) return Korb::NichtMoeglich;
  std::filesystem::path p;
  try {
    p = host->Laufwerke().Aufloesen(windowsPfad).Host;
  } catch (const std::exception&) {
    return Korb::NichtMoeglich;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(p, ec)) return Korb::NichtMoeglich;
  // A read-only file is not deleted; the plain delete refuses it with its message.
  if (HostDateisystem::Schreibgeschuetzt(p)) return Korb::NichtMoeglich;
  const QString datei = QString::fromStdString(p.string());
  if (!KorbErreichbar(datei)) return Korb::KeinKorb;
  QString imKorb;
  if (!QFile::moveToTrash(datei, &imKorb)) return Korb::KeinKorb;
  if (InEinemKorb(imKorb)) return Korb::Verschoben;
  // Not a trash after all: the file goes back where it was.
  QFile::rename(imKorb, datei);
  const QFileInfo weg(imKorb);
  QFile::remove(weg.absoluteDir().filePath("../info/" + weg.fileName() + ".trashinfo"));
  return Korb::KeinKorb;
}

}  // namespace vxm
