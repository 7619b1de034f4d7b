// Typing search terms in keyword mode, without a window: a box that behaves
// as a line edit drives the term logic the way the search panel does.
#include "search/suchbegriffzustand.h"

#include <gtest/gtest.h>

#include "basis/zustand.h"
#include "platform/text.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

class Suchfeld {
 public:
  Komponentenzustand z;
  SuchbegriffZustand begriffe{z};
  std::string text;
  std::vector<std::string> liste;
  bool sichtbar = false;
  bool schluesselModus = true;
  std::vector<std::string> keywords;  // the register's names, in table order
  int abfragen = 0;

  // The program or the user puts a text into the box (setText).
  void Setzen(const std::string& neu) {
    if (neu == text) return;  // a line edit reports no change then
    text = neu;
    Geaendert();
  }
  void Tippen(std::string_view zeichen) {
    for (std::size_t i = 0; i < zeichen.size();) {
      const char32_t c = Utf8Lesen(zeichen, i);
      Taste({SuchTaste::Art::Zeichen, c});
    }
  }
  void Rueck() { Taste({SuchTaste::Art::Rueckschritt, 0}); }
  void Enter() { Taste({SuchTaste::Art::Eingabe, 0}); }
  void Vorschlag(const std::optional<std::string>& kw, Dialoge& d) {
    const SuchfeldAnzeige a = begriffe.VorschlagGewaehlt(kw, text, d);
    if (a.Text) Zeigen(a);
  }
  void AusListe(const std::string& kw) {
    const SuchfeldAnzeige a = begriffe.AusListeGewaehlt(kw, text, schluesselModus);
    if (a.Eingabe) {
      Setzen(*a.Eingabe);
      return;
    }
    Zeigen(a);
  }

 private:
  void Taste(const SuchTaste& t) {
    const SuchfeldAnzeige a = schluesselModus ? begriffe.Taste(t, text) : SuchfeldAnzeige{};
    Zeigen(a);
    if (a.Verschluckt) return;
    if (t.art == SuchTaste::Art::Rueckschritt) {
      if (!text.empty()) Setzen(text.substr(0, text.size() - LetzteZeichen(text, 1).size()));
    } else if (t.art == SuchTaste::Art::Zeichen && t.zeichen >= 32) {
      std::string neu = text;
      Utf8Anhaengen(t.zeichen, neu);
      Setzen(neu);
    }
  }
  void Geaendert() {
    const SuchfeldAnzeige a = begriffe.TextGeaendert(text, schluesselModus, [this](std::string_view p) {
      ++abfragen;
      std::vector<std::string> namen;
      for (auto& k : keywords)
        if (!k.empty() && BeginntMitOhneFall(k, p)) namen.push_back(k);
      return namen;
    });
    if (a.Eingabe) {
      Setzen(*a.Eingabe);
      return;
    }
    if (!schluesselModus) return;
    Zeigen(a);
    if (liste.empty()) sichtbar = false;
  }
  void Zeigen(const SuchfeldAnzeige& a) {
    if (a.Vorschlaege) {
      liste = *a.Vorschlaege;
      sichtbar = true;
    }
    if (a.ListeVerstecken) sichtbar = false;
    if (a.Text) {
      Setzen(*a.Text);
      begriffe.TextGesetzt();
    }
  }
};

std::vector<std::string> Begriffe(const Komponentenzustand& z) {
  return {z.SuchKeys.begin() + 1, z.SuchKeys.begin() + 1 + z.SuchKeyAnzahl};
}

TEST(Suchbegriffzustand, TrennzeichenWerdenZumSemikolonUndSchliessenDenBegriff) {
  Suchfeld f;
  f.Tippen("rechnung mahnung,miete");
  EXPECT_EQ(f.text, "rechnung;mahnung;miete");
  EXPECT_EQ(Begriffe(f.z), (std::vector<std::string>{"rechnung", "mahnung"}));
  EXPECT_EQ(f.z.SuchTeil, "miete");
  EXPECT_EQ(f.z.SuchTeilLaenge, 5);
  // Enter completes the term without touching the text.
  f.Enter();
  EXPECT_EQ(f.text, "rechnung;mahnung;miete");
  EXPECT_EQ(f.z.SuchKeyAnzahl, 3);
  EXPECT_EQ(f.z.SuchTeil, "");
  // Repeated separators give no empty term; a "." becomes ";" as well.
  f.Tippen(";.,x.");
  EXPECT_EQ(f.text, "rechnung;mahnung;miete;;;x;");
  EXPECT_EQ(Begriffe(f.z), (std::vector<std::string>{"rechnung", "mahnung", "miete", "x"}));

  // In an empty box a separator leaves one ";", never two.
  Suchfeld g;
  g.Tippen(", ,");
  EXPECT_EQ(g.text, ";");
  EXPECT_EQ(g.z.SuchKeyAnzahl, 0);
  // Umlauts and ß are letters of a term.
  g.Tippen("Gebühr Maß");
  EXPECT_EQ(Begriffe(g.z), (std::vector<std::string>{"Gebühr"}));
  EXPECT_EQ(g.z.SuchTeil, "Maß");
  EXPECT_EQ(g.z.SuchTeilLaenge, 3);
}

TEST(Suchbegriffzustand, DerFilterNimmtNurDasLetzteZeichenUndNurImSchluesselwortModus) {
  Suchfeld f;
  f.Setzen("Gebühr.");
  EXPECT_EQ(f.text, "Gebühr");
  f.Setzen("a-b");
  EXPECT_EQ(f.text, "a-b");
  f.Setzen("x€");  // a character of the code page that is no letter
  EXPECT_EQ(f.text, "x");
  f.Setzen("");
  // The file modes keep what was typed and track no terms.
  f.schluesselModus = false;
  f.Tippen("*.pdf Ihre");
  EXPECT_EQ(f.text, "*.pdf Ihre");
  EXPECT_EQ(f.z.SuchKeyAnzahl, 0);
  EXPECT_EQ(f.z.SuchTeil, "");
  EXPECT_EQ(f.abfragen, 0);
}

TEST(Suchbegriffzustand, RueckschrittKuerztOeffnetWiederUndVergisst) {
  Suchfeld f;
  f.Tippen("rechnung;mahnung;mi");
  f.Rueck();
  EXPECT_EQ(f.z.SuchTeil, "m");
  f.Rueck();
  EXPECT_EQ(f.text, "rechnung;mahnung;");
  EXPECT_EQ(f.z.SuchTeil, "");
  // On an empty term the last completed one opens again.
  f.Rueck();
  EXPECT_EQ(f.z.SuchTeil, "mahnung");
  EXPECT_EQ(f.z.SuchTeilLaenge, 7);
  EXPECT_EQ(f.z.SuchKeyAnzahl, 1);
  EXPECT_EQ(f.text, "rechnung;mahnung");
  // Emptying the box forgets every term and its text.
  f.Setzen("");
  EXPECT_EQ(f.z.SuchKeyAnzahl, 0);
  EXPECT_EQ(f.z.SuchKeys[1], "");
  EXPECT_EQ(f.z.SuchTeil, "");
  // Backspace in the empty box resets as a search start does.
  f.z.SuchTeil = "alt";
  f.z.SuchTeilLaenge = 3;
  f.Rueck();
  EXPECT_EQ(f.z.SuchTeil, "");
  EXPECT_EQ(f.z.SuchTeilLaenge, 0);
  // Nothing to re-open: nothing happens, the count stays at 0.
  f.Tippen(";");
  f.Rueck();
  EXPECT_EQ(f.z.SuchKeyAnzahl, 0);
}

TEST(Suchbegriffzustand, PlatzhalterMerktSeineKeywoerterUndGibtSieZurueck) {
  Suchfeld f;
  f.keywords = {"RECHNUNG", "Reparatur", "MAHNUNG", ""};
  f.Tippen("re*");
  EXPECT_EQ(f.text, "re*;");
  EXPECT_EQ(Begriffe(f.z), (std::vector<std::string>{"re*"}));
  ASSERT_EQ(f.z.WildAnzahl, 2);
  EXPECT_EQ(f.z.WildKeys[0], "RECHNUNG");
  EXPECT_EQ(f.z.WildKeys[1], "Reparatur");
  EXPECT_EQ(f.z.SuchTeil, "");
  // Keywords a wildcard stands for are no suggestions.
  f.Tippen("r");
  EXPECT_TRUE(f.liste.empty());
  EXPECT_FALSE(f.sichtbar);
  // Re-opening the wildcard term gives its keywords back.
  f.Rueck();
  f.Rueck();
  EXPECT_EQ(f.text, "re*");
  EXPECT_EQ(f.z.SuchTeil, "re*");
  EXPECT_EQ(f.z.SuchTeilLaenge, 3);
  EXPECT_EQ(f.z.SuchKeyAnzahl, 0);
  // None of its keywords is held any more (the count may keep cleared slots).
  for (int32_t i = 0; i < f.z.WildAnzahl; ++i) EXPECT_EQ(f.z.WildKeys[i], "") << i;
  f.Rueck();
  EXPECT_EQ(f.liste, (std::vector<std::string>{"RECHNUNG", "Reparatur"}));

  // A lone "*" stands for every keyword; one that matches nothing for none.
  Suchfeld g;
  g.keywords = f.keywords;
  g.Tippen("*");
  EXPECT_EQ(g.text, "*;");
  EXPECT_EQ(g.z.WildAnzahl, 3);
  g.Tippen("zz*");
  EXPECT_EQ(g.text, "*;zz*;");
  EXPECT_EQ(Begriffe(g.z), (std::vector<std::string>{"*", "zz*"}));
  EXPECT_EQ(g.z.WildAnzahl, 3);
}

TEST(Suchbegriffzustand, VorschlaegeLassenBegriffeWegUndErsetzenDenOffenenBegriff) {
  Suchfeld f;
  f.keywords = {"RECHNUNG", "Reparatur", "MAHNUNG", "Übergabe"};
  test::SkriptDialoge d;
  f.Tippen("re");
  EXPECT_TRUE(f.sichtbar);
  EXPECT_EQ(f.liste, (std::vector<std::string>{"RECHNUNG", "Reparatur"}));
  f.Vorschlag("RECHNUNG", d);
  EXPECT_EQ(f.text, "RECHNUNG;");
  EXPECT_FALSE(f.sichtbar);
  EXPECT_EQ(Begriffe(f.z), (std::vector<std::string>{"RECHNUNG"}));
  EXPECT_EQ(f.z.SuchTeil, "");
  EXPECT_FALSE(f.z.TextWirdGesetzt);
  // A term already searched for is no suggestion, whatever its case.
  f.Tippen("RE");
  EXPECT_EQ(f.liste, (std::vector<std::string>{"Reparatur"}));
  // Nothing selected: the message, the terms stay.
  f.Vorschlag(std::nullopt, d);
  ASSERT_EQ(d.Gezeigt.size(), 1u);
  EXPECT_EQ(d.Gezeigt[0].Text, "Bitte das zu suchende  markieren!");
  EXPECT_EQ(f.text, "RECHNUNG;RE");
  EXPECT_EQ(f.z.SuchKeyAnzahl, 1);
  f.Vorschlag("Reparatur", d);
  EXPECT_EQ(f.text, "RECHNUNG;Reparatur;");
  // No keyword begins so: the list is hidden.
  f.Tippen("q");
  EXPECT_FALSE(f.sichtbar);
  // Umlauts compare without regard to case.
  Suchfeld g;
  g.keywords = f.keywords;
  g.Tippen("üB");
  EXPECT_EQ(g.liste, (std::vector<std::string>{"Übergabe"}));
}

TEST(Suchbegriffzustand, EinWiederGeoeffneterNameVerliertGanzeZeichen) {
  // A keyword taken from the list may hold any character; re-opened and
  // shortened, it loses whole characters and stays valid text.
  Suchfeld f;
  f.keywords = {"Miete🏠"};
  test::SkriptDialoge d;
  f.Tippen("mi");
  f.Vorschlag("Miete🏠", d);
  EXPECT_EQ(f.text, "Miete🏠;");
  f.Rueck();
  EXPECT_EQ(f.z.SuchTeil, "Miete🏠");
  EXPECT_EQ(f.z.SuchTeilLaenge, 6);
  EXPECT_EQ(f.text, "Miete");  // the filter took the last character from the box
  f.Rueck();
  EXPECT_EQ(f.z.SuchTeil, "Miete");
  EXPECT_EQ(f.z.SuchTeilLaenge, 5);
  EXPECT_TRUE(GueltigesUtf8(f.z.SuchTeil));
}

TEST(Suchbegriffzustand, ListeDerSchluesselwoerterGibtJedemNamenEinenBegriff) {
  Suchfeld f;
  f.AusListe("KAUTION");
  EXPECT_EQ(f.text, "KAUTION;");
  f.AusListe("KAUTION");  // already a term
  EXPECT_EQ(f.text, "KAUTION;");
  f.AusListe("MIETE");
  EXPECT_EQ(f.text, "KAUTION;MIETE;");
  EXPECT_EQ(Begriffe(f.z), (std::vector<std::string>{"KAUTION", "MIETE"}));
  EXPECT_FALSE(f.z.TextWirdGesetzt);

  // The term being typed is completed first.
  Suchfeld g;
  g.Tippen("miete");
  g.AusListe("KAUTION");
  EXPECT_EQ(g.text, "miete;KAUTION;");
  EXPECT_EQ(Begriffe(g.z), (std::vector<std::string>{"miete", "KAUTION"}));
  EXPECT_EQ(g.z.SuchTeil, "");

  // Text put in without typing: its ";"-separated parts, trimmed.
  Suchfeld h;
  h.schluesselModus = false;
  h.Setzen(" a ;;b\t");
  h.schluesselModus = true;
  h.AusListe("HEIZUNG");
  EXPECT_EQ(Begriffe(h.z), (std::vector<std::string>{"a", "b", "HEIZUNG"}));
  EXPECT_EQ(h.text, " a ;;b\t;HEIZUNG;");

  // Outside keyword mode the names are added to the text after a blank.
  Suchfeld t;
  t.schluesselModus = false;
  t.AusListe("MIETE");
  t.AusListe("KAUTION");
  EXPECT_EQ(t.text, "MIETE KAUTION");
  EXPECT_EQ(t.z.SuchKeyAnzahl, 0);
}

TEST(Suchbegriffzustand, ZuruecksetzenUndLeerenUndMehrAlsZweihundertBegriffe) {
  Suchfeld f;
  f.keywords = {"REPARATUR"};
  std::string viele;
  for (int i = 0; i < 250; ++i) viele += "k" + std::to_string(i) + ";";
  f.Tippen(viele);
  EXPECT_EQ(f.z.SuchKeyAnzahl, 250);
  EXPECT_EQ(f.z.SuchKeys[250], "k249");
  f.Tippen("re*mi");
  EXPECT_EQ(f.z.WildAnzahl, 1);
  // A search start: counts and the wildcard keywords go, the term texts stay.
  f.begriffe.Zuruecksetzen();
  EXPECT_EQ(f.z.SuchKeyAnzahl, 0);
  EXPECT_EQ(f.z.WildAnzahl, 0);
  EXPECT_EQ(f.z.WildKeys[0], "");
  EXPECT_EQ(f.z.SuchTeil, "");
  EXPECT_EQ(f.z.SuchTeilLaenge, 0);
  EXPECT_EQ(f.z.SuchKeys[1], "k0");
  // The window's load step clears the texts as well.
  f.begriffe.Leeren();
  EXPECT_EQ(f.z.SuchKeys[1], "");
  EXPECT_EQ(f.z.SuchKeys[251], "");
}

}  // namespace
}  // namespace vxm
