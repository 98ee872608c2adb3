// Twips (1440 per inch) to pixels and back, at the primary screen's logical DPI: the one place units change.
#pragma once

namespace platform {

double logicalDpi();
int twipsToPixels(double twips);
double pixelsToTwips(int pixels);

}
