// Measures shared by the windows: the host's positions are in twips, and the
// suite's scaling asks for the screen's size.
#pragma once

#include <string>

namespace vxm {

// Pixels of a length in twips: 15 twips per pixel at 1x.
int Twips(double twips);

// A length in pixels times the window's scale factor, cut to whole pixels.
int Skaliert(int pixel, float faktor);

// Size of the primary screen in pixels (0 without one).
int BildschirmBreite();
int BildschirmHoehe();
// "1920 X 1080".
std::string BildschirmAufloesung();

}  // namespace vxm
