#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <iostream>
#include <sstream>

#include "platform/dialoge.h"
#include "platform/dienste.h"

namespace vxm {
namespace {

int Frage(const std::string& eingabe, int stil, std::string* ausgabe = nullptr) {
  std::istringstream ein(eingabe);
  std::ostringstream aus;
  KonsolenDialoge d(ein, aus);
  const int antwort = d.MsgBox("Zeile eins\r\nZeile zwei", stil, "");
  if (ausgabe) *ausgabe = aus.str();
  return antwort;
}

TEST(KonsolenDialoge, ZeigtMeldungOhneWagenruecklauf) {
  std::string aus;
  EXPECT_EQ(Frage("", vbOKOnly, &aus), vbOK);
  EXPECT_EQ(aus, "[vxmDorvex] Zeile eins\nZeile zwei\n");
}

TEST(KonsolenDialoge, AntwortenAufFragen) {
  EXPECT_EQ(Frage("j\n", vbYesNo + vbQuestion), vbYes);
  EXPECT_EQ(Frage("Nein\n", vbYesNoCancel + vbQuestion), vbNo);
  EXPECT_EQ(Frage("vielleicht\n", vbYesNoCancel), vbCancel);
  // no answer at all never counts as yes
  EXPECT_EQ(Frage("", vbYesNo), vbNo);
  EXPECT_EQ(Frage("", vbYesNoCancel), vbCancel);
  EXPECT_EQ(Frage("ok\n", vbOKCancel), vbOK);
  EXPECT_EQ(Frage("", vbOKCancel), vbCancel);
}

}  // namespace
}  // namespace vxm

namespace vxm {
namespace {

// Runs `f` in a child process whose standard input is a pipe that stays open
// and silent, as a host's may be; a child still waiting after a few seconds
// is stopped. Returns what the child wrote to standard output and error.
struct Kindergebnis {
  bool Beendet = false;
  std::string Ausgabe, Fehlerausgabe;
};

std::string AllesLesen(int fd) {
  std::string text;
  char puffer[4096];
  ssize_t n;
  while ((n = ::read(fd, puffer, sizeof puffer)) > 0) text.append(puffer, static_cast<std::size_t>(n));
  return text;
}

Kindergebnis ImKindprozess(const std::function<void()>& f) {
  int ein[2], aus[2], fehler[2];
  if (::pipe(ein) != 0 || ::pipe(aus) != 0 || ::pipe(fehler) != 0) return {};
  std::cout.flush();
  std::cerr.flush();
  const pid_t kind = ::fork();
  if (kind == 0) {
    ::dup2(ein[0], 0);
    ::dup2(aus[1], 1);
    ::dup2(fehler[1], 2);
    ::close(aus[0]);
    ::close(fehler[0]);
    ::alarm(5);
    f();
    std::cout.flush();
    std::cerr.flush();
    ::_exit(0);
  }
  ::close(ein[0]);
  ::close(aus[1]);
  ::close(fehler[1]);
  Kindergebnis e;
  e.Ausgabe = AllesLesen(aus[0]);
  e.Fehlerausgabe = AllesLesen(fehler[0]);
  int status = 0;
  ::waitpid(kind, &status, 0);
  e.Beendet = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  ::close(ein[1]);
  ::close(aus[0]);
  ::close(fehler[0]);
  return e;
}

TEST(StandardDienste, MeldungenBlockierenNieUndAntwortenVorsichtig) {
  const Kindergebnis e = ImKindprozess([] {
    DiensteZuruecksetzen();
    Dialoge& d = *Dienste().Meldungen;
    std::cout << d.MsgBox("Hinweis", vbOKOnly, "") << " "
              << d.MsgBox("Wirklich löschen?", vbYesNo + vbQuestion, "") << " "
              << d.MsgBox("Speichern?", vbYesNoCancel + vbQuestion, "") << " "
              << d.MsgBox("Weiter?", vbOKCancel, "") << " ["
              << d.InputBox("Neuer Name:", "", "Neuer Ordner") << "] ["
              << d.DateiOeffnen("Adressen", "Alle (*.*)|*.*|", "C:\\") << "]";
  });
  ASSERT_TRUE(e.Beendet) << "a message box waited for input";
  EXPECT_EQ(e.Ausgabe, "1 7 2 2 [] []");
  EXPECT_NE(e.Fehlerausgabe.find("Wirklich löschen?"), std::string::npos);
  EXPECT_NE(e.Fehlerausgabe.find("Neuer Name:"), std::string::npos);
}

TEST(StilleDialoge, SchreibenDieMeldungUndDieGegebeneAntwort) {
  std::ostringstream aus;
  StilleDialoge d(aus);
  EXPECT_EQ(d.MsgBox("Zeile eins\r\nZeile zwei", vbOKOnly + vbCritical, ""), vbOK);
  EXPECT_EQ(d.MsgBox("Löschen?", vbYesNo + vbQuestion, "Frage"), vbNo);
  EXPECT_EQ(d.MsgBox("Nochmal?", vbRetryCancel, ""), vbCancel);
  EXPECT_EQ(d.MsgBox("Abbruch?", vbAbortRetryIgnore, ""), vbAbort);
  EXPECT_EQ(aus.str(),
            "[vxmDorvex] Zeile eins\nZeile zwei\n"
            "[Frage] Löschen?\n(ohne Eingabe beantwortet: Nein)\n"
            "[vxmDorvex] Nochmal?\n(ohne Eingabe beantwortet: Abbrechen)\n"
            "[vxmDorvex] Abbruch?\n(ohne Eingabe beantwortet: Abbrechen)\n");
}

}  // namespace
}  // namespace vxm
