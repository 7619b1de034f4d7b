#include "tests/hilfen.h"

#include <fstream>
#include <random>

#include "basis/zustand.h"
#include "component/hauptfenster.h"
#include "platform/dienste.h"

namespace vxm::test {
namespace fs = std::filesystem;

int SkriptDialoge::MsgBox(const std::string& text, int stil, const std::string& titel) {
  Gezeigt.push_back({text, stil, titel});
  if (Antworten.empty()) return vbOK;
  int a = Antworten.front();
  Antworten.pop_front();
  return a;
}

std::string SkriptDialoge::InputBox(const std::string& prompt, const std::string& titel,
                                   const std::string& vorgabe) {
  Eingabefragen.push_back({prompt, 0, titel});
  if (Eingaben.empty()) return vorgabe;
  auto a = Eingaben.front();
  Eingaben.pop_front();
  return a;
}

std::string SkriptDialoge::DateiOeffnen(const std::string& titel, const std::string&,
                                       const std::string&) {
  Eingabefragen.push_back({"<Datei>", 0, titel});
  if (Dateiwahlen.empty()) return {};
  auto a = Dateiwahlen.front();
  Dateiwahlen.pop_front();
  return a;
}

void Umgebung::SetUp() {
  std::random_device zufall;
  temp_ = fs::temp_directory_path() / ("vxm-test-" + std::to_string(zufall()) + std::to_string(zufall()));
  laufwerkC_ = temp_ / "c";
  fs::create_directories(laufwerkC_);
  Laufwerkstabelle laufwerke;
  laufwerke.Zuordnen('C', laufwerkC_);
  fs_ = std::make_shared<HostDateisystem>(laufwerke);
  dialoge_ = std::make_shared<SkriptDialoge>();
  berichte_ = std::make_shared<std::vector<FehlerBericht>>();
  Dienste().Dateien = fs_;
  Dienste().Meldungen = dialoge_;
  auto berichte = berichte_;
  Dienste().Komponenten.vxmAllgError = [berichte] {
    return std::make_unique<AufzeichnendesFehlerProgramm>(berichte);
  };
  ZustandZuruecksetzen();
  HauptfensterErzeugen() = nullptr;
  AktuellesHauptfenster().reset();
}

void Umgebung::TearDown() {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(temp_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(temp_, ec);
  ZustandZuruecksetzen();
  HauptfensterErzeugen() = nullptr;
  AktuellesHauptfenster().reset();
  DiensteZuruecksetzen();
}

fs::path Umgebung::Host(const std::string& windowsPfad) const {
  return fs_->Laufwerke().Aufloesen(windowsPfad).Host;
}

void Umgebung::OrdnerAnlegenHost(const std::string& windowsPfad) { fs::create_directories(Host(windowsPfad)); }

void Umgebung::DateiAnlegen(const std::string& windowsPfad, const std::string& inhalt) {
  auto p = Host(windowsPfad);
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << inhalt;
}

std::string Umgebung::Inhalt(const std::string& windowsPfad) const {
  std::ifstream datei(Host(windowsPfad), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(datei)), std::istreambuf_iterator<char>());
}

void Umgebung::OhneFehlerprogramm() { Dienste().Komponenten.vxmAllgError = nullptr; }

}  // namespace vxm::test
