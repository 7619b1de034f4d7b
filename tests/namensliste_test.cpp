// The file list's names: order without regard to case as the folding gives
// it, equal keys in the order given, and a compact hold.
#include "platform/namensliste.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/text.h"

namespace vxm {
namespace {

std::vector<std::string> Alle(const Namensliste& l) {
  std::vector<std::string> aus;
  for (std::size_t i = 0; i < l.size(); ++i) aus.emplace_back(l[i]);
  return aus;
}

TEST(Namensliste, OhneRuecksichtAufGrossschreibungGleicheInGegebenerFolge) {
  const Namensliste l({"b.txt", "Äpfel.pdf", "A.txt", "a.txt", "ä.doc", "Zettel", "_x", "10.txt", "2.txt", ""});
  EXPECT_EQ(Alle(l), (std::vector<std::string>{"", "10.txt", "2.txt", "A.txt", "a.txt", "b.txt", "Zettel", "_x",
                                               "ä.doc", "Äpfel.pdf"}));
  EXPECT_TRUE(Namensliste(std::vector<std::string>{}).empty());
}

TEST(Namensliste, DieAsciiAbkuerzungFaltetWieGross) {
  // Every ASCII character sorts against every other as by Gross.
  std::vector<std::string> namen;
  for (int c = 1; c < 128; ++c) namen.push_back(std::string(1, static_cast<char>(c)) + "x");
  const Namensliste l(namen);
  for (std::size_t i = 1; i < l.size(); ++i) EXPECT_LE(Gross(l[i - 1]), Gross(l[i])) << i;
  // mixed: a non-ASCII name between ASCII ones
  const Namensliste m({"ſa", "SB", "sa", "ıb", "IA"});
  std::vector<std::string> erwartet = {"ſa", "SB", "sa", "ıb", "IA"};
  std::stable_sort(erwartet.begin(), erwartet.end(), [](auto& a, auto& b) { return Gross(a) < Gross(b); });
  EXPECT_EQ(Alle(m), erwartet);
}

TEST(Namensliste, HaeltWenigMehrAlsDieNamen) {
  std::vector<std::string> namen;
  std::size_t bytes = 0;
  for (int i = 0; i < 100000; ++i) {
    namen.push_back("Schreiben an den Mieter " + std::to_string(i * 7919 % 100000) + ".pdf");
    bytes += namen.back().size();
  }
  const Namensliste l(std::move(namen));
  ASSERT_EQ(l.size(), 100000u);
  EXPECT_EQ(l[0], "Schreiben an den Mieter 0.pdf");
  EXPECT_EQ(l[1], "Schreiben an den Mieter 1.pdf");
  EXPECT_EQ(l[2], "Schreiben an den Mieter 10.pdf");
  EXPECT_LE(l.Belegt(), bytes + 100000 * 8);
}

}  // namespace
}  // namespace vxm
