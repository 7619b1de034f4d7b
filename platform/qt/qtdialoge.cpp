#include "platform/qt/qtdialoge.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>

#include "platform/dienste.h"
#include "platform/qt/steuerelemente.h"
#include "platform/text.h"

namespace vxm {
namespace {

Laufwerkstabelle Laufwerke() {
  if (auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get())) return host->Laufwerke();
  return Laufwerkstabelle::AusUmgebung();
}

QString ZeilenUmbrueche(const std::string& text) {
  QString t = Q(text);
  t.replace("\r\n", "\n");
  t.replace('\r', '\n');
  return t;
}

}  // namespace

int QtDialoge::MsgBox(const std::string& text, int stil, const std::string& titel) {
  QMessageBox box(eltern_);
  box.setWindowTitle(Q(titel.empty() ? kProgrammTitel : titel));
  box.setText(ZeilenUmbrueche(text));
  switch (stil & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon);
  }
  struct Knopf {
    const char* text;
    QMessageBox::ButtonRole rolle;
    int antwort;
  };
  std::vector<Knopf> knoepfe;
  switch (stil & 7) {
    case vbOKCancel: knoepfe = {{"OK", QMessageBox::AcceptRole, vbOK}, {"Abbrechen", QMessageBox::RejectRole, vbCancel}}; break;
    case vbYesNoCancel:
      knoepfe = {{"Ja", QMessageBox::YesRole, vbYes}, {"Nein", QMessageBox::NoRole, vbNo}, {"Abbrechen", QMessageBox::RejectRole, vbCancel}};
      break;
    case vbYesNo: knoepfe = {{"Ja", QMessageBox::YesRole, vbYes}, {"Nein", QMessageBox::NoRole, vbNo}}; break;
    default: knoepfe = {{"OK", QMessageBox::AcceptRole, vbOK}};
  }
  std::vector<std::pair<QAbstractButton*, int>> zuordnung;
  zuordnung.reserve(knoepfe.size());
  for (auto& k : knoepfe) zuordnung.emplace_back(box.addButton(QString::fromUtf8(k.text), k.rolle), k.antwort);
  const std::size_t vorgabe = (stil & vbDefaultButton2) && zuordnung.size() > 1 ? 1 : 0;
  box.setDefaultButton(static_cast<QPushButton*>(zuordnung[vorgabe].first));
  if ((stil & 7) == vbYesNo) box.setEscapeButton(zuordnung.back().first);
  // Room above the first line for the dots of a capital umlaut (RÜCKRUF).
  // Selectable text is drawn clipped to its lines, which cut them off; the
  // box still copies its whole text with Ctrl+C. (The box sets its text's
  // margins anew with each icon or button.)
  if (auto* zeilen = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
    zeilen->setTextInteractionFlags(Qt::NoTextInteraction);
    const QMargins m = zeilen->contentsMargins();
    zeilen->setContentsMargins(m.left(), m.top() + UmlautUeberstand(zeilen->font()), m.right(), m.bottom());
  }
  box.exec();
  for (auto& [knopf, antwort] : zuordnung)
    if (box.clickedButton() == knopf) return antwort;
  return (stil & 7) == vbOKOnly ? vbOK : ((stil & 7) == vbYesNo ? vbNo : vbCancel);
}

std::string QtDialoge::InputBox(const std::string& prompt, const std::string& titel,
                                const std::string& vorgabe) {
  QInputDialog d(eltern_);
  d.setWindowTitle(Q(titel.empty() ? kProgrammTitel : titel));
  d.setLabelText(ZeilenUmbrueche(prompt));
  d.setTextValue(Q(vorgabe));
  d.setOkButtonText("OK");
  d.setCancelButtonText("Abbrechen");
  if (d.exec() != QDialog::Accepted) return {};
  return S(d.textValue());
}

std::string QtFilter(const std::string& hostFilter) {
  // Pairs of description and pattern, separated by "|".
  QStringList teile = Q(hostFilter).split('|');
  QStringList filter;
  for (int i = 0; i + 1 < teile.size(); i += 2) {
    const QString beschreibung = teile[i].trimmed();
    QStringList muster;
    for (auto& m : teile[i + 1].split(';', Qt::SkipEmptyParts)) {
      muster << m.trimmed() << m.trimmed().toLower();
    }
    muster.removeDuplicates();
    QString b = beschreibung;
    const qsizetype klammer = b.indexOf('(');
    if (klammer >= 0) b = b.left(klammer).trimmed();
    filter << b + " (" + muster.join(' ') + ")";
  }
  return S(filter.join(";;"));
}

std::string WindowsPfadAusHost(const std::string& hostPfad) {
  namespace fs = std::filesystem;
  const auto laufwerke = Laufwerke();
  const fs::path datei = fs::weakly_canonical(fs::path(hostPfad));
  for (char b : laufwerke.Buchstaben()) {
    auto ordner = laufwerke.Ordner(b);
    if (!ordner) continue;
    const fs::path wurzel = fs::weakly_canonical(*ordner);
    auto rel = datei.lexically_relative(wurzel);
    if (rel.empty() || *rel.begin() == "..") continue;
    std::string w(1, static_cast<char>(std::toupper(static_cast<unsigned char>(b))));
    w += ":";
    for (auto& teil : rel) {
      if (teil == ".") continue;
      w += "\\" + teil.string();
    }
    return w.size() == 2 ? w + "\\" : w;
  }
  return {};
}

std::string QtDialoge::DateiOeffnen(const std::string& titel, const std::string& filter,
                                    const std::string& ordner) {
  std::string start;
  try {
    start = Laufwerke().Aufloesen(ordner).Host.string();
  } catch (...) {
  }
  QFileDialog d(eltern_, Q(titel.empty() ? "Öffnen" : titel), Q(start), Q(QtFilter(filter)));
  d.setFileMode(QFileDialog::ExistingFile);
  d.setAcceptMode(QFileDialog::AcceptOpen);
  d.setOption(QFileDialog::DontUseNativeDialog, true);
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
  return WindowsPfadAusHost(S(d.selectedFiles().front()));
}

}  // namespace vxm
