#pragma once
#include <vector>

class QWidget;

namespace vs {

// The opacity step of the fade-in: the window's share of the screen x 255 / 8,
// at least 1 and at most 255, whole numbers from 8 on.
int fadeStep(double windowArea, double screenArea);
// The opacities passed on the way up (the last one, 255, follows them).
std::vector<int> fadeOpacities(int step);

// Lets the window come up by fading in, in at most 1.5 s, ending opaque.
void Transparency_FadeIn(QWidget& window);

} // namespace vs
