#include <gtest/gtest.h>

#include <sstream>

#include "platform/dialoge.h"

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
