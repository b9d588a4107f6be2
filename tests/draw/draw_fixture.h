// A small black canvas to draw on, and the set of pixels a drawing set.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "hostsdk/bitmap.h"

namespace drawtest {

using Px = std::pair<int, int>;  // (x, y)
using PxSet = std::set<Px>;

inline constexpr BMM_Color_64 kInk{65535, 65535, 65535, 65535};

template <class C = Canvas>
struct Board {
  explicit Board(int w, int h, float aspect = 1.0f)
      : bitmap(std::make_unique<Bitmap>(MemoryStorage::Create(w, h, 0, aspect))),
        canvas(nullptr, nullptr, bitmap.get()) {
    for (int i = 0; i < w * h; ++i) canvas.pixels[i] = BMM_Color_64{0, 0, 0, 0};
    canvas.drawColor = kInk;
  }
  // Pixels holding the ink; every other pixel must still be black.
  PxSet Ink() const {
    PxSet out;
    for (int y = 0; y < canvas.height; ++y)
      for (int x = 0; x < canvas.width; ++x) {
        const BMM_Color_64& p = canvas.pixels[y * canvas.width + x];
        if (p.r == kInk.r && p.g == kInk.g && p.b == kInk.b && p.a == kInk.a) out.insert({x, y});
      }
    return out;
  }
  std::unique_ptr<Bitmap> bitmap;
  C canvas;
};

// The line walk written out plainly, one Plot per step with no clipping:
// the reference the clipped walk must match inside the canvas. Only for
// endpoints well below 2^24.
inline void ReferenceLine(Canvas& c, float x1, float y1, float x2, float y2) {
  const float dx = x2 - x1, dy = y2 - y1;
  const bool rising = (dx > 0.0f) != (dy < 0.0f);
  const float adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  if (ady < adx) {
    float x = dx > 0 ? x1 : x2, y = dx > 0 ? y1 : y2;
    const float end = dx > 0 ? x2 : x1;
    const float is = 2.0f * ady, id = 2.0f * (ady - adx);
    float e = 2.0f * ady - adx;
    while (x <= end) {
      c.Plot(x, y);
      x = x + 1.0f;
      if (rising) {
        if (e >= 0) { y = y + 1.0f; e = e + id; } else { e = e + is; }
      } else {
        if (e > 0) { y = y - 1.0f; e = e + id; } else { e = e + is; }
      }
    }
  } else {
    float y = dy > 0 ? y1 : y2, x = dy > 0 ? x1 : x2;
    const float end = dy > 0 ? y2 : y1;
    const float is = 2.0f * adx, id = 2.0f * (adx - ady);
    float e = 2.0f * adx - ady;
    while (y <= end) {
      c.Plot(x, y);
      y = y + 1.0f;
      if (rising) {
        if (e >= 0) { x = x + 1.0f; e = e + id; } else { e = e + is; }
      } else {
        if (e > 0) { x = x - 1.0f; e = e + id; } else { e = e + is; }
      }
    }
  }
}

// Pixels of the reference walk along a polyline on a w x h canvas.
inline PxSet ReferencePolyline(int w, int h, const std::vector<Point2>& points) {
  Board<> board(w, h);
  for (std::size_t i = 1; i < points.size(); ++i)
    ReferenceLine(board.canvas, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
  return board.Ink();
}

// As ReferencePolyline, for points written as number pairs.
inline PxSet ReferencePath(int w, int h, std::initializer_list<std::pair<float, float>> points) {
  std::vector<Point2> p;
  for (const auto& [x, y] : points) p.push_back(Point2(x, y));
  return ReferencePolyline(w, h, p);
}

// Every pixel of a within `d` (chessboard distance) of some pixel of b.
inline bool Near(const PxSet& a, const PxSet& b, int d = 1) {
  for (const auto& [x, y] : a) {
    bool found = false;
    for (int dy = -d; dy <= d && !found; ++dy)
      for (int dx = -d; dx <= d && !found; ++dx) found = b.count({x + dx, y + dy}) > 0;
    if (!found) return false;
  }
  return true;
}

}  // namespace drawtest
