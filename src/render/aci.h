#pragma once
// The 256 colour numbers of CAD drawings as screen colours.
#include <QColor>

namespace korvane::render {

// The colour of number `aci` (1..255). 7 is drawn white on the dark canvas (black on a light
// one); 0 (by block) and 256 (by layer) must be resolved by the caller.
QColor aci_color(int aci, bool dark_background = true);

}  // namespace korvane::render
