#include "hostsdk/util.h"

#include <algorithm>
#include <atomic>

namespace {
std::atomic<int> customControlsInits{0};
}

void RGBtoHSV(std::uint32_t rgb, int* hue, int* saturation, int* value) {
  const int r = static_cast<int>(rgb & 0xFF);
  const int g = static_cast<int>((rgb >> 8) & 0xFF);
  const int b = static_cast<int>((rgb >> 16) & 0xFF);
  const int maxc = std::max({r, g, b});
  const int minc = std::min({r, g, b});
  const int delta = maxc - minc;
  int h = 0;
  int s = maxc ? delta * 255 / maxc : 0;
  if (delta) {
    int sixth;  // hue in 0..1530, six sectors of 255
    if (maxc == r) sixth = (g - b) * 255 / delta + (g < b ? 1530 : 0);
    else if (maxc == g) sixth = (b - r) * 255 / delta + 510;
    else sixth = (r - g) * 255 / delta + 1020;
    h = sixth / 6;
  }
  if (hue) *hue = h;
  if (saturation) *saturation = s;
  if (value) *value = maxc;
}

void InitCustomControls(HINSTANCE) { ++customControlsInits; }
int CustomControlsInitCount() { return customControlsInits.load(); }
