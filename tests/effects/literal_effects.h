// The blur, depth and star effects written out step by step, pixel by pixel
// and spike by spike, as the references the fast forms must equal exactly.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "canvas/canvas.h"
#include "hostsdk/util.h"

namespace literal {

using Picture = std::vector<BMM_Color_64>;

// The square of side 2 * radius + 1 around (x, y), every position visited
// and those off the picture skipped.
inline BMM_Color_64 BoxAverage(const Picture& source, int width, int height, int x, int y,
                               int radius, BMM_Color_64 out) {
  if (radius <= 0) return out;
  std::uint64_t r = 0, g = 0, b = 0, n = 0;
  for (std::int64_t dy = -radius; dy <= radius; ++dy)
    for (std::int64_t dx = -radius; dx <= radius; ++dx) {
      const std::int64_t xx = x + dx, yy = y + dy;
      if (xx < 0 || xx >= width || yy < 0 || yy >= height) continue;
      const BMM_Color_64& c = source[static_cast<std::size_t>(yy * width + xx)];
      r += c.r;
      g += c.g;
      b += c.b;
      ++n;
    }
  if (n == 0) return out;
  out.r = static_cast<std::uint16_t>(r / n >= 65535 ? 65535 : r / n);
  out.g = static_cast<std::uint16_t>(g / n >= 65535 ? 65535 : g / n);
  out.b = static_cast<std::uint16_t>(b / n >= 65535 ? 65535 : b / n);
  return out;
}

// Blur with a radius per pixel; selected(x, y) says which pixels are written.
template <typename Radius, typename Selected>
Picture Blur(const Picture& source, const Picture& pixels, int width, int height, Radius radius,
             Selected selected) {
  Picture out = pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (selected(x, y)) {
        BMM_Color_64& p = out[static_cast<std::size_t>(y) * width + x];
        p = BoxAverage(source, width, height, x, y, radius(x, y), p);
      }
  return out;
}

// The depth-of-field radius for depths where the plain conversion is
// defined.
inline int DepthRadius(float z, float focus, float range, int maxRadius) {
  if (!(z < 1e30)) z = range;
  const double d =
      std::fabs(static_cast<double>(-z) - focus) * static_cast<double>(maxRadius * 2) / range;
  int radius = static_cast<int>(d);
  if (radius > maxRadius) radius = maxRadius;
  return radius;
}

// DrawStar with the angle, the rotation and the spike test worked out anew
// for every pixel and spike.
inline void DrawStar(Picture& pixels, int width, int height, int cx, int cy, BMM_Color_64 colour,
                     int radius, int rays, float startDegrees) {
  if (rays < 1 || radius < 1) return;
  const float r2 = static_cast<float>(radius * radius);
  for (int py = cy - radius; py < cy + radius; ++py) {
    if (py < 0 || py > height - 1) continue;
    for (int px = cx - radius; px < cx + radius; ++px) {
      if (px < 0 || px > width - 1) continue;
      const float step = 360.0f / static_cast<float>(rays);
      for (int k = 0; k < rays; ++k) {
        float dx = static_cast<float>(cx - px);
        float dy = static_cast<float>(cy - py);
        const float a = (static_cast<float>(k) * step + startDegrees) * 3.14159274f / 180.0f;
        RotatePoint(&dx, &dy, a);
        if (InSpike(dx, dy, static_cast<float>(radius)) == 1) {
          const float o = (r2 - (dy * dy + dx * dx)) / r2;
          const float t = (2.0f - o) * o * o;
          const float w = t * t;
          BMM_Color_64& p = pixels[static_cast<std::size_t>(py) * width + px];
          auto add = [w](std::uint16_t c, std::uint16_t q) {
            const int v = static_cast<std::uint16_t>(static_cast<int>(c * w)) + q;
            return static_cast<std::uint16_t>(v >= 65535 ? 65535 : v);
          };
          p = BMM_Color_64{add(colour.r, p.r), add(colour.g, p.g), add(colour.b, p.b),
                           add(colour.a, p.a)};
          break;
        }
      }
    }
  }
}

template <typename Selected>
void Sparkle(const Picture& source, Picture& pixels, int width, int height, Selected selected,
             int useColour, BMM_Color_64 colour, int radius, int threshold, int rays,
             float startDegrees) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (!selected(x, y)) continue;
      const BMM_Color_64 s = source[static_cast<std::size_t>(y) * width + x];
      const std::uint32_t rgb = (s.r >> 8) | (s.g >> 8) << 8 | (s.b >> 8) << 16;
      int h = 0, sat = 0, v = 0;
      RGBtoHSV(rgb, &h, &sat, &v);
      if (v >= threshold)
        DrawStar(pixels, width, height, x, y, useColour == 1 ? colour : s, radius, rays,
                 startDegrees);
    }
}

}  // namespace literal
