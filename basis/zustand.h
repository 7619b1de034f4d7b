// The component state: one copy per thread, shared by all modules.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "basis/aufrufparameter.h"
#include "platform/komponenten.h"
#include "platform/variant.h"

namespace vxm {

struct Bildpuffer;

struct Komponentenzustand {
  // Entry and start-up.
  std::vector<Variant> AufrufParameter = std::vector<Variant>(kParameterAnzahl);
  std::string DatenbankPfad;
  std::string FirmenDatenbank;
  std::string SuchDokname;
  std::string SuchDokpfad;
  std::string KeywordDatenbank;
  std::string KonfigDokPfad;
  std::string DokWurzel;
  std::string MandantPfad;
  std::string OrdnerPfad;
  std::string ProgName;
  bool LadeModus = false;
  bool BaumKlick = false;
  bool UmbenennenAktiv = false;

  // Error report.
  std::string FehlerOrt;
  std::shared_ptr<AllgFehlerProgramm> FehlerProgramm;
  int16_t FehlerAntwort = 0;

  // Search pattern of a split file name.
  std::string SuchName;
  std::string SuchEndung;

  // File list and opening documents.
  int16_t ScanModus = 0;  // 1 while a scanned document is being created: nothing is opened

  // Imaging: the last scanned page (null while the main window is not loaded).
  std::shared_ptr<Bildpuffer> ScanBild;

  // File-name and text search. DateiTabelle holds folder + "\" + upper-cased
  // name of every file the last data search passed; it has no fixed size,
  // so the register clean-up sees every file. It is complete only when that
  // walk read every folder and was not cancelled; DateiTabelleLuecken names
  // the folders it could not read (rows below them must be kept).
  std::vector<std::string> DateiTabelle;
  bool DateiTabelleVollstaendig = false;
  std::vector<std::string> DateiTabelleLuecken;

  // Keyword input: tokens of the last split (KeyZerlegen, keyzerlegenVersuch).
  std::vector<std::string> KeyTeile;
  int32_t KeyAnzahl = 0;

  // Keyword register: Dateinummer of the file of the current assignment
  // (0 = not registered).
  int32_t AktDateinummer = 0;

  // Keyword search: terms of the search box. SuchKeys[1..SuchKeyAnzahl] are
  // the completed terms (index 0 unused), WildKeys[0..WildAnzahl-1] the
  // keywords that "*" terms expanded to while typing. Both grow as needed.
  std::vector<std::string> SuchKeys = std::vector<std::string>(201);
  int32_t SuchKeyAnzahl = 0;
  std::string SuchTeil;         // the term being typed
  int32_t SuchTeilLaenge = 0;   // its length in characters
  std::vector<std::string> WildKeys = std::vector<std::string>(201);
  int32_t WildAnzahl = 0;
  std::string LetztesZeichen;   // character of the last key press
  bool TextWirdGesetzt = false; // the program itself rewrites the search box

  // Search result list: the entry last clicked (key = folder + "\" + name).
  std::string TrefferSchluessel;
  std::string TrefferOrdner;
  std::string TrefferDatei;

  // New documents: the extension of the chosen type (".doc", ...; the
  // scanner type turns ".bmp" into ".pdf") and the result of the last
  // creation.
  std::string NeuDokEndung;
  bool NeuDokErzeugt = false;
};

Komponentenzustand& Zustand();

// A fresh state for this thread.
void ZustandZuruecksetzen();

}  // namespace vxm
