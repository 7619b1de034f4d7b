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
  const QString daten = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return !daten.isEmpty() && QFileInfo(daten).isDir();
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

bool InDenPapierkorb(const std::string& windowsPfad) {
  auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get());
  if (!host) return false;
  std::filesystem::path p;
  try {
    p = host->Laufwerke().Aufloesen(windowsPfad).Host;
  } catch (const std::exception&) {
    return false;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(p, ec)) return false;
  // A read-only file is not deleted; the plain delete refuses it with its message.
  if (HostDateisystem::Schreibgeschuetzt(p)) return false;
  const QString datei = QString::fromStdString(p.string());
  if (!KorbErreichbar(datei)) return false;
  QString imKorb;
  if (!QFile::moveToTrash(datei, &imKorb)) return false;
  if (InEinemKorb(imKorb)) return true;
  // Not a trash after all: the file goes back where it was.
  QFile::rename(imKorb, datei);
  const QFileInfo weg(imKorb);
  QFile::remove(weg.absoluteDir().filePath("../info/" + weg.fileName() + ".trashinfo"));
  return false;
}

}  // namespace vxm
