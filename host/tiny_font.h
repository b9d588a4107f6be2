// A 5x7 bitmap font for labels drawn with the canvas's Plot: capitals,
// digits and a little punctuation (lower case prints as capitals).
#pragma once
#include <string>

class Canvas;

namespace zarn::host {
// Draws text with its top-left corner at (x, y), each dot scale pixels
// square, in the canvas's drawColor; answers the width drawn.
int DrawLabel(Canvas& canvas, int x, int y, const std::string& text, int scale = 1);
// Width of the text in pixels at that scale.
int LabelWidth(const std::string& text, int scale = 1);
}  // namespace zarn::host
