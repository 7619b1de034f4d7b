#include "app/demo_daten.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygon>

#include <fstream>
#include <map>
#include <thread>
#include <vector>

#include "create/buerodatei.h"
#include "create/libreoffice.h"
#include "imaging/clspdf.h"
#include "keywords/registerzugriff.h"
#include "platform/datenbank.h"
#include "platform/text.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

const std::string kWurzel = "C:\\VXM\\VXMDOK\\1";

// Host path of a Windows path on drive C:.
fs::path Host(const fs::path& laufwerkC, const std::string& windows) {
  fs::path p = laufwerkC;
  std::size_t start = 3;  // after "C:\"
  while (start <= windows.size()) {
    const std::size_t ende = windows.find('\\', start);
    const std::string teil = windows.substr(start, ende == std::string::npos ? std::string::npos : ende - start);
    if (!teil.empty()) p /= fs::u8path(teil);
    if (ende == std::string::npos) break;
    start = ende + 1;
  }
  return p;
}

void Schreiben(const fs::path& ziel, const std::string& bytes) {
  std::error_code ec;
  if (fs::exists(ziel, ec)) return;
  fs::create_directories(ziel.parent_path(), ec);
  std::ofstream(ziel, std::ios::binary) << bytes;
}

// Letters are Windows text: code page 1252, CR LF.
std::string Brief(const std::vector<std::string>& zeilen) {
  std::string text;
  for (const auto& z : zeilen) text += z + "\r\n";
  return Cp1252AusUtf8(text);
}

std::string Pdf(const std::string& titel, const std::vector<std::string>& zeilen) {
  clsPDF pdf([] {
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 2;
    t.tm_mday = 15;
    t.tm_hour = 9;
    return t;
  });
  pdf.FontSize(14);
  pdf.PrintLine(titel);
  pdf.FontSize(10);
  pdf.PrintLine("");
  for (const auto& z : zeilen) pdf.PrintLine(z);
  pdf.DrawWidth(0.8f);
  pdf.DrawLine(70, 92, 525, 92);
  pdf.DrawBox(60, 40, 475, 760, kStilUmranden);
  return pdf.Value();
}

// A photo-like picture: sky, lawn and a house front with windows. Each
// variant differs in its bytes: two pictures of one content could not be
// told apart when one of them is renamed outside the program.
void Foto(const fs::path& ziel, int variante) {
  std::error_code ec;
  if (fs::exists(ziel, ec)) return;
  fs::create_directories(ziel.parent_path(), ec);
  QImage bild(640, 480, QImage::Format_RGB32);
  QPainter p(&bild);
  QLinearGradient himmel(0, 0, 0, 300);
  himmel.setColorAt(0, QColor(90, 150, 220));
  himmel.setColorAt(1, QColor(200, 225, 245));
  p.fillRect(0, 0, 640, 330, himmel);
  p.fillRect(0, 330, 640, 150, QColor(80, 140, 60));
  const QColor fassade = variante == 0   ? QColor(235, 215, 170)
                         : variante == 1 ? QColor(200, 190, 185)
                                         : QColor(215, 220, 230);
  p.fillRect(140, 140, 360, 260, fassade);
  p.setBrush(QColor(150, 60, 40));
  p.setPen(Qt::NoPen);
  p.drawPolygon(QPolygon({QPoint(120, 145), QPoint(320, 50), QPoint(520, 145)}));
  p.setBrush(QColor(60, 80, 110));
  for (int reihe = 0; reihe < 3; ++reihe)
    for (int spalte = 0; spalte < 4; ++spalte) p.drawRect(165 + spalte * 85, 165 + reihe * 70, 45, 45);
  p.setBrush(QColor(100, 60, 30));
  p.drawRect(295, 330, 50, 70);
  if (variante == 1) {  // water stain
    p.setBrush(QColor(120, 110, 90, 160));
    p.drawEllipse(QPoint(420, 300), 60, 40);
  }
  p.end();
  bild.save(QString::fromStdString(ziel.string()), "PNG");
}

struct Dokument {
  std::string ordner;  // Windows form, as the folder list reports it
  std::string name;
  std::vector<std::string> keywords;
};

void HostdatenFuellen(Datenbank& db) {
  Transaktion t(db);
  db.Execute("INSERT INTO ObjDaten (objnummer, ObjBezeichnung, ObjStrasse, ObjPlz, ObjOrt) VALUES "
             "(7, \"Wohnanlage Müllerstraße 12\", \"Müllerstraße 12\", \"80469\", \"München\"), "
             "(8, \"Gründerzeithaus Böhmerwaldplatz 3\", \"Böhmerwaldplatz 3\", \"81679\", \"München\"), "
             "(12, \"Seniorenwohnanlage Am Schloßgarten 5-7, Rückgebäude\", \"Am Schloßgarten 5\", \"85354\", "
             "\"Freising\")");
  db.Execute("INSERT INTO Bestandseinheitsdaten (BeObjNr, BeBeNr, BeTuerNr, BeLage, BeFlaeche) VALUES "
             "(7, 1, \"EG links\", \"Erdgeschoß\", 54.5), (7, 2, \"EG rechts\", \"Erdgeschoß\", 61.0), "
             "(7, 3, \"Top 3 / 1. OG\", \"1. Obergeschoß\", 78.25), (7, 4, \"Top 4 / 2. OG\", \"2. Obergeschoß\", 78.25), "
             "(7, 5, \"DG Maisonette\", \"Dachgeschoß\", 96.0), "
             "(8, 1, \"Whg. 1\", \"Hochparterre\", 88.0), (8, 2, \"Whg. 2\", \"1. Stock\", 88.0), "
             "(8, 3, \"Laden\", \"Straßenseite\", 120.0), "
             "(12, 1, \"App. 101\", \"Erdgeschoß\", 42.0), (12, 2, \"App. 102\", \"Erdgeschoß\", 42.0)");
  db.Execute("INSERT INTO Bestandnehmerdaten (BnObjNr, BnBeNr, BnBnNr, BnName, BnAnrede, BnEinzug) VALUES "
             "(7, 1, 1, \"Günther Österreicher\", \"Herr\", \"2011-04-01\"), "
             "(7, 2, 1, \"Sabine Fußmann\", \"Frau\", \"2019-09-01\"), "
             "(7, 3, 1, \"Erika Weiß\", \"Frau\", \"2008-02-01\"), "
             "(7, 3, 2, \"Jürgen Bäcker\", \"Herr\", \"2021-07-01\"), "
             "(7, 4, 1, \"Familie Schäfer\", \"Familie\", \"2015-05-01\"), "
             "(7, 5, 1, \"Dr. Hans-Jörg Lütke-Überbrück\", \"Herr Dr.\", \"2023-01-01\"), "
             "(8, 1, 1, \"Ömer Yıldız\", \"Herr\", \"2020-03-01\"), "
             "(8, 2, 1, \"Björn Großkopf\", \"Herr\", \"2017-11-01\"), "
             "(8, 3, 1, \"Änne Mößner Feinkost\", \"Firma\", \"2012-06-01\"), "
             "(12, 1, 1, \"Liselotte Fröhlich\", \"Frau\", \"2022-08-01\"), "
             "(12, 2, 1, \"Wilhelmine Käßbohrer\", \"Frau\", \"2024-02-01\")");
  // The monthly amounts the serial letter "Adressen mit Vorschreibung" lists.
  db.Execute("ALTER TABLE Bestandnehmerdaten ADD COLUMN BnVorschreibung TEXT");
  const char* betraege[][3] = {{"7", "1", "612,40"},  {"7", "2", "698,00"},  {"7", "3", "845,50"},
                               {"7", "4", "845,50"},  {"7", "5", "1.020,75"}, {"8", "1", "930,00"},
                               {"8", "2", "930,00"},  {"8", "3", "1.480,00"}, {"12", "1", "540,20"},
                               {"12", "2", "540,20"}};
  for (const auto& b : betraege)
    db.Execute(std::string("UPDATE Bestandnehmerdaten SET BnVorschreibung = \"") + b[2] + "\" WHERE BnObjNr = " +
               b[0] + " AND BnBeNr = " + b[1]);
  t.Bestaetigen();
}

void RegisterFuellen(Datenbank& db, const std::vector<Dokument>& dokumente) {
  Transaktion t(db);
  std::map<std::string, int32_t> ids;
  for (const auto& d : dokumente) {
    if (d.keywords.empty()) continue;
    Recordset dateien = db.TabelleOeffnen("Dateiinfo");
    dateien.AddNew();
    const int32_t nr = dateien.Zahl("Dateinummer");
    dateien.FeldSetzen("Dateiname", d.name);
    dateien.FeldSetzen("Dateipfad", d.ordner);
    dateien.Update();
    for (const auto& k : d.keywords) {
      int32_t& id = ids[k];
      if (id == 0) {
        Recordset kw = db.TabelleOeffnen("Keyword");
        kw.AddNew();
        id = kw.Zahl("KeywordID");
        kw.FeldSetzen("Keyword", k);
        kw.Update();
      }
      VerknuepfungAnhaengen(db, nr, id);
    }
  }
  // known to the register, attached to no document yet
  for (const char* k : {"VERSICHERUNG", "AUFZUG", "SCHLÜSSEL"}) {
    if (ids.count(k)) continue;
    db.Execute(std::string("INSERT INTO Keyword (Keyword) VALUES (\"") + k + "\")");
  }
  t.Bestaetigen();
}


// The serial-letter wizard offers the Word templates (.DOT) of the store's
// root; the demo store carries one, a Word 97 file made from the cached
// empty document. When that is not cached yet, LibreOffice builds it in the
// background (seconds) so the window does not wait for it; without
// LibreOffice the store simply has no template.
void VorlageAnlegen(const fs::path& dokWurzel) {
  std::error_code ec;
  for (auto it = fs::directory_iterator(dokWurzel, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    if (Gross(it->path().extension().string()) == ".DOT") return;
  }
  const fs::path ziel = dokWurzel / "Briefvorlage.DOT";
  auto kopieren = [ziel](const fs::path& leer) {
    std::error_code f;
    const fs::path teil = ziel.string() + ".teil";
    if (fs::copy_file(leer, teil, fs::copy_options::overwrite_existing, f)) fs::rename(teil, ziel, f);
    if (f) fs::remove(teil, f);
  };
  const fs::path zwischen = VorlagenOrdner() / "leer.doc";
  if (IstOle2Datei(zwischen)) {
    kopieren(zwischen);
  } else if (LibreOfficeVorhanden()) {
    std::thread([kopieren] {
      if (auto leer = LeereVorlage("doc")) kopieren(*leer);
    }).detach();
  }
}

std::vector<Dokument> Dokumente() {
  const std::string obj = kWurzel + "\\7";
  const std::string be = obj + "\\3";
  const std::string bn = be + "\\2";
  return {
      {kWurzel, "Rundschreiben Heizperiode 2024.txt", {"HEIZUNG"}},
      {obj, "Hausordnung Müllerstraße 12.txt", {"HAUSORDNUNG"}},
      {obj, "Fassade Süd.png", {"FOTO", "FASSADE"}},
      {obj + "\\Verträge", "Hausmeistervertrag Öztürk.txt", {"HAUSMEISTER", "VERTRAG"}},
      {obj + "\\Abrechnungen", "Nebenkostenabrechnung 2023.pdf", {"BETRIEBSKOSTEN"}},
      {be, "Übergabeprotokoll Top 3.txt", {"ÜBERGABE"}},
      {be, "Grundriss Top 3.png", {}},
      {be + "\\1\\Korrespondenz", "Kündigung Weiß.txt", {"KÜNDIGUNG"}},
      {bn + "\\Verträge", "Mietvertrag Bäcker.pdf", {"MIETVERTRAG", "VERTRAG"}},
      {bn + "\\Korrespondenz", "Schreiben Mieterhöhung 2024.txt", {"MIETERHÖHUNG"}},
      {bn + "\\Korrespondenz", "Antwort Bäcker Heizung.txt", {"HEIZUNG"}},
      {bn + "\\Korrespondenz", "Notiz Telefonat.txt", {}},
      {bn + "\\Abrechnungen", "Betriebskostenabrechnung 2023.pdf", {"BETRIEBSKOSTEN", "HEIZUNG"}},
      {bn + "\\Vorschreibungen", "Vorschreibung Jänner 2025.txt", {}},
      {bn, "Wasserschaden Küche.png", {"WASSERSCHADEN", "FOTO"}},
      {kWurzel + "\\8\\1\\1\\Korrespondenz", "Begrüßung Yıldız.txt", {"BEGRÜßUNG"}},
  };

}

// The letters' lines, by file name.
std::map<std::string, std::vector<std::string>> Briefe() {
  return {
      {"Rundschreiben Heizperiode 2024.txt",
       {"Hausverwaltung Sonnleitner & Söhne GmbH", "Theresienstraße 44, 80333 München", "",
        "An alle Bewohnerinnen und Bewohner", "", "Beginn der Heizperiode 2024/25", "",
        "Sehr geehrte Damen und Herren,", "",
        "ab Montag, dem 30. September, wird die Heizungsanlage wieder in Betrieb genommen.",
        "Bitte entlüften Sie Ihre Heizkörper und melden Sie Störungen umgehend.", "",
        "Mit freundlichen Grüßen", "Ihre Hausverwaltung"}},
      {"Hausordnung Müllerstraße 12.txt",
       {"Hausordnung der Wohnanlage Müllerstraße 12", "", "1. Ruhezeiten: 13 bis 15 Uhr und 22 bis 6 Uhr.",
        "2. Die Mülltonnen sind am Abend vor der Abholung an die Straße zu stellen.",
        "3. Fahrräder gehören in den Fahrradkeller, nicht ins Treppenhaus.",
        "4. Die Waschküche steht nach dem Plan am schwarzen Brett zur Verfügung."}},
      {"Hausmeistervertrag Öztürk.txt",
       {"Hausmeistervertrag", "", "zwischen der Eigentümergemeinschaft Müllerstraße 12",
        "und Herrn Mehmet Öztürk, Gärtnerplatz 2, 80469 München.", "",
        "§ 1 Leistungen: Treppenhausreinigung, Winterdienst, Pflege der Außenanlagen.",
        "§ 2 Vergütung: 480,00 € monatlich zzgl. gesetzlicher Umsatzsteuer."}},
      {"Übergabeprotokoll Top 3.txt",
       {"Übergabeprotokoll Wohnung Top 3 / 1. OG", "", "Übergabe am 30.06.2021 an Herrn Jürgen Bäcker.",
        "Zählerstände: Strom 18.432 kWh, Wasser kalt 312,4 m³, Wasser warm 141,9 m³.",
        "Schlüssel: 2 Wohnungsschlüssel, 1 Briefkastenschlüssel, 1 Kellerschlüssel.",
        "Mängel: leichte Kratzer am Parkett im Flur."}},
      {"Kündigung Weiß.txt",
       {"Erika Weiß", "Müllerstraße 12, 80469 München", "", "Kündigung meines Mietverhältnisses", "",
        "Sehr geehrte Damen und Herren,", "",
        "hiermit kündige ich die Wohnung Top 3 fristgerecht zum 30. Juni 2021.", "", "Mit freundlichen Grüßen",
        "Erika Weiß"}},
      {"Schreiben Mieterhöhung 2024.txt",
       {"Hausverwaltung Sonnleitner & Söhne GmbH", "", "Herrn Jürgen Bäcker", "Müllerstraße 12, Top 3",
        "80469 München", "", "München, 12. März 2024", "", "Mieterhöhung nach § 558 BGB", "",
        "Sehr geehrter Herr Bäcker,", "",
        "wir bitten Sie um Zustimmung zur Erhöhung der Nettokaltmiete von 1.020,00 € auf 1.095,00 €",
        "ab dem 1. Juni 2024. Die ortsübliche Vergleichsmiete wird damit nicht überschritten.", "",
        "Mit freundlichen Grüßen", "Sonnleitner"}},
      {"Antwort Bäcker Heizung.txt",
       {"Jürgen Bäcker", "Müllerstraße 12, Top 3", "", "Betreff: Heizkörper im Schlafzimmer", "",
        "Sehr geehrte Damen und Herren,", "",
        "der Heizkörper im Schlafzimmer wird seit einer Woche nicht mehr warm.",
        "Ich bin werktags ab 17 Uhr erreichbar. Vielen Dank für Ihre Mühe!", "", "Jürgen Bäcker"}},
      {"Notiz Telefonat.txt",
       {"Telefonnotiz 04.11.2024, 10:15 Uhr", "Herr Bäcker ruft an: Heizung läuft wieder, Monteur war da.",
        "Erledigt. – Sonnleitner"}},
      {"Vorschreibung Jänner 2025.txt",
       {"Vorschreibung Jänner 2025", "", "Nettokaltmiete            1.095,00 €",
        "Betriebskostenvorauszahlung  210,00 €", "Heizkostenvorauszahlung      95,00 €",
        "Summe                      1.400,00 €", "", "Fällig am 3. Werktag des Monats."}},
      {"Begrüßung Yıldız.txt",
       {"Sehr geehrter Herr Yildiz,", "", "herzlich willkommen im Böhmerwaldplatz 3!",
        "Ihre Ansprechpartnerin in der Verwaltung ist Frau Größlinger.", "", "Mit freundlichen Grüßen",
        "Hausverwaltung Sonnleitner & Söhne GmbH"}},
  };
}

// Title and lines of the PDFs, by file name.
std::map<std::string, std::pair<std::string, std::vector<std::string>>> Pdfs() {
  return {
      {"Nebenkostenabrechnung 2023.pdf",
       {"Nebenkostenabrechnung 2023 - Müllerstraße 12",
        {"Grundsteuer                 4.812,00 EUR", "Müllabfuhr                  2.130,40 EUR",
         "Hausmeister                 5.760,00 EUR", "Gartenpflege                  988,00 EUR",
         "Allgemeinstrom                612,75 EUR", "", "Verteilung nach Wohnfläche (438,00 m²)."}}},
      {"Mietvertrag Bäcker.pdf",
       {"Mietvertrag über Wohnraum",
        {"Vermieter: Eigentümergemeinschaft Müllerstraße 12", "Mieter: Jürgen Bäcker",
         "Mietsache: Wohnung Top 3 / 1. OG, 78,25 m², drei Zimmer, Küche, Bad",
         "Mietbeginn: 1. Juli 2021", "Nettokaltmiete: 1.020,00 EUR monatlich",
         "Kaution: drei Monatsmieten (3.060,00 EUR)", "", "§ 1 Mietsache ... § 24 Schlussbestimmungen"}}},
      {"Betriebskostenabrechnung 2023.pdf",
       {"Betriebskostenabrechnung 2023 für Jürgen Bäcker",
        {"Abrechnungszeitraum: 01.01.2023 - 31.12.2023", "Ihr Anteil: 78,25 / 438,00 m²",
         "Kosten gesamt (Anteil)      2.691,36 EUR", "Vorauszahlungen             2.520,00 EUR",
         "Nachzahlung                   171,36 EUR", "", "Bitte überweisen Sie bis 31.05.2024."}}},
  };

}

// The host's and the company's databases, made once.
void HostdatenbankenAnlegen(const fs::path& laufwerkC, const DemoAufruf& aufruf) {
  std::error_code ec;
  const fs::path daten = Host(laufwerkC, aufruf.Datenbank);
  if (!fs::exists(daten, ec)) {
    HostdatenAnlegen(daten.string());
    HostdatenFuellen(*DatenbankOeffnenHost(daten));
  }
  const fs::path firma = Host(laufwerkC, aufruf.FirmenDatenbank);
  if (!fs::exists(firma, ec)) {
    FirmendatenAnlegen(firma.string());
    DatenbankOeffnenHost(firma)->Execute(
        "INSERT INTO AllgFirmenDaten (FirmenNr, Firmenname, Strasse, Plz, Ort, VXMDOKPfad) VALUES "
        "(1, \"Hausverwaltung Sonnleitner & Söhne GmbH\", \"Theresienstraße 44\", \"80333\", \"München\", \"\")");
  }
}

}  // namespace

DemoAufruf DemoDatenAnlegen(const fs::path& laufwerkC) {
  DemoAufruf aufruf;
  std::error_code ec;
  const fs::path dat = laufwerkC / "VXM" / "VXMDAT";
  fs::create_directories(dat, ec);

  HostdatenbankenAnlegen(laufwerkC, aufruf);

  // The sample store is laid out once, with its register: later starts open
  // it as the user left it (files deleted, renamed or moved stay so).
  const fs::path reg = dat / "vxmdok.mdb";
  if (fs::exists(reg, ec)) {
    // (The letter template is made in the background where LibreOffice must
    // make it; a first start cut short gets it now.)
    VorlageAnlegen(laufwerkC / "VXM" / "VXMDOK");
    return aufruf;
  }
  const auto dokumente = Dokumente();
  const auto briefe = Briefe();
  const auto pdfs = Pdfs();
  for (const auto& d : dokumente) {
    const fs::path ziel = Host(laufwerkC, d.ordner + "\\" + d.name);
    if (auto b = briefe.find(d.name); b != briefe.end()) {
      Schreiben(ziel, Brief(b->second));
    } else if (auto p = pdfs.find(d.name); p != pdfs.end()) {
      Schreiben(ziel, Pdf(p->second.first, p->second.second));
    } else {
      const bool schaden = d.name.find("Wasserschaden") != std::string::npos;
      Foto(ziel, schaden ? 1 : d.name.find("Grundriss") != std::string::npos ? 2 : 0);
    }
  }
  // the usual sub-folders of the called tenant, some still empty
  const std::string bn = kWurzel + "\\7\\3\\2";
  for (const char* o : {"Verträge", "Korrespondenz", "Abrechnungen", "Vorschreibungen"})
    fs::create_directories(Host(laufwerkC, bn + "\\" + o), ec);
  VorlageAnlegen(laufwerkC / "VXM" / "VXMDOK");
  RegisterAnlegen(reg.string());
  try {
    RegisterFuellen(*DatenbankOeffnenHost(reg), dokumente);
  } catch (...) {
    // a half-filled register would be kept next time
    for (const char* endung : {"", "-wal", "-shm"}) fs::remove(reg.string() + endung, ec);
    throw;
  }
  return aufruf;
}

}  // namespace vxm
