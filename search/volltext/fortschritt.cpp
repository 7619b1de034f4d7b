// The progress line the window and the nightly tool show.
#include "search/volltext/indexierer.h"

namespace vxm::volltext {

std::string MitTausenderpunkten(std::int64_t zahl) {
  std::string ziffern = std::to_string(zahl < 0 ? -zahl : zahl);
  std::string aus;
  for (std::size_t i = 0; i < ziffern.size(); ++i) {
    if (i > 0 && (ziffern.size() - i) % 3 == 0) aus += '.';
    aus += ziffern[i];
  }
  return zahl < 0 ? "-" + aus : aus;
}

std::string FortschrittText(const Indexfortschritt& f) {
  std::string t = "Index: " + MitTausenderpunkten(f.Erledigt) + " von " + MitTausenderpunkten(f.Gesamt) + " Dateien";
  if (f.Pausiert) t += " (angehalten)";
  return t;
}

}  // namespace vxm::volltext
