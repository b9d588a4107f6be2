#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "canvas/arith.h"
#include "canvas/canvas.h"
#include "hostsdk/util.h"
#include "platform/memory.h"

namespace {

// radius * radius must stay a 32-bit product.
constexpr int kMaxStarRadius = 46340;

bool StarArguments(int radius, int rays) {
  return radius >= 1 && radius <= kMaxStarRadius && rays >= 1 && rays <= Canvas::kMaxStarRays;
}

inline void Rotate(double c, double s, float& x, float& y) {
  const float cx = static_cast<float>(c * x);
  const float sx = static_cast<float>(s * x);
  const float nx = static_cast<float>(static_cast<double>(cx) - s * y);
  const float ny = static_cast<float>(static_cast<double>(sx) + c * y);
  x = nx;
  y = ny;
}

// cos and sin of each spike's angle, in spike order. A spike whose angle is
// not finite covers no pixel and is left out, which keeps the order of the
// others.
struct SpikeTable {
  double* cs = nullptr;  // cos, sin pairs
  int count = 0;
  SpikeTable(int rays, float startDegrees) {
    cs = static_cast<double*>(platform::Allocate(static_cast<std::size_t>(rays) * 2 * sizeof(double)));
    if (!cs) return;
    const float step = 360.0f / static_cast<float>(rays);
    for (int k = 0; k < rays; ++k) {
      const float a = zarn::DegToRad(static_cast<float>(k) * step + startDegrees);
      if (!std::isfinite(a)) continue;
      cs[2 * count] = std::cos(static_cast<double>(a));
      cs[2 * count + 1] = std::sin(static_cast<double>(a));
      ++count;
    }
  }
  ~SpikeTable() { std::free(cs); }
  SpikeTable(const SpikeTable&) = delete;
  SpikeTable& operator=(const SpikeTable&) = delete;
};

// The weight the first spike covering the offset (dx, dy) = centre - pixel
// gives it; false when none does.
bool OffsetWeight(int dx, int dy, const SpikeTable& spikes, int radius, float r2, float& w) {
  // A spike lies within sqrt(radius^2 + 1) of the centre and rotation keeps
  // lengths to a few float steps, so farther pixels need no test.
  const std::int64_t reach = static_cast<std::int64_t>(radius) + 2;
  if (static_cast<std::int64_t>(dx) * dx + static_cast<std::int64_t>(dy) * dy > reach * reach)
    return false;
  const float length = static_cast<float>(radius);
  for (int k = 0; k < spikes.count; ++k) {
    float x = static_cast<float>(dx);
    float y = static_cast<float>(dy);
    Rotate(spikes.cs[2 * k], spikes.cs[2 * k + 1], x, y);
    if (InSpike(x, y, length)) {
      const float o = (r2 - (y * y + x * x)) / r2;
      const float t = (2.0f - o) * o * o;
      w = t * t;
      return true;
    }
  }
  return false;
}

inline std::uint16_t AddClamped(std::uint16_t p, std::uint16_t c, float w) {
  const auto add = static_cast<std::uint16_t>(zarn::TruncToInt32(static_cast<float>(c) * w));
  const int sum = static_cast<int>(add) + p;
  return static_cast<std::uint16_t>(sum >= 65535 ? 65535 : sum);
}

inline void AddLight(BMM_Color_64& p, BMM_Color_64 colour, float w) {
  p.r = AddClamped(p.r, colour.r, w);
  p.g = AddClamped(p.g, colour.g, w);
  p.b = AddClamped(p.b, colour.b, w);
  p.a = AddClamped(p.a, colour.a, w);
}

// The lit offsets (pixel - centre) of one star, worked out once for all the
// stars of a Sparkle: offsets are kept only as far as the canvas reaches, and
// grouped by row so rows off the canvas are skipped whole.
struct Stencil {
  struct Tap {
    int ox;
    float w;
  };
  Tap* taps = nullptr;
  std::size_t* rowStart = nullptr;  // rows oy0 ... oy1, plus the end
  int oy0 = 0;
  int oy1 = -1;

  bool Build(const SpikeTable& spikes, int radius, int width, int height) {
    const int ox0 = -std::min(radius, width - 1), ox1 = std::min(radius - 1, width - 1);
    oy0 = -std::min(radius, height - 1);
    oy1 = std::min(radius - 1, height - 1);
    const std::size_t rows = static_cast<std::size_t>(oy1 - oy0 + 1);
    const std::size_t cols = static_cast<std::size_t>(ox1 - ox0 + 1);
    rowStart = static_cast<std::size_t*>(platform::Allocate((rows + 1) * sizeof(std::size_t)));
    taps = static_cast<Tap*>(platform::Allocate(rows * cols * sizeof(Tap)));
    if (!rowStart || !taps) return false;
    const float r2 = static_cast<float>(radius * radius);
    std::size_t n = 0;
    for (int oy = oy0; oy <= oy1; ++oy) {
      rowStart[oy - oy0] = n;
      for (int ox = ox0; ox <= ox1; ++ox) {
        float w = 0.0f;
        if (OffsetWeight(-ox, -oy, spikes, radius, r2, w)) taps[n++] = Tap{ox, w};
      }
    }
    rowStart[rows] = n;
    return true;
  }
  ~Stencil() {
    std::free(taps);
    std::free(rowStart);
  }
};

}  // namespace

void RotatePoint(float* x, float* y, float radians) {
  if (!x || !y) return;
  Rotate(std::cos(static_cast<double>(radians)), std::sin(static_cast<double>(radians)), *x, *y);
}

int InSpike(float x, float y, float length) {
  if (y < 0.0f) return 0;
  if (y > length) return 0;
  if (x < 0.0f) return y <= length * x + length ? 1 : 0;
  if (x == 0.0f) return y == y ? 1 : 0;
  if (x > 0.0f) return y <= length - length * x ? 1 : 0;
  return 0;  // NaN
}

void Canvas::DrawStar(int cx, int cy, BMM_Color_64 colour, int radius, int rays,
                      float startDegrees) {
  if (!pixels || width < 1 || height < 1 || !StarArguments(radius, rays)) return;
  // The square cy - radius ... cy + radius - 1 (and likewise across), cut
  // to the canvas; 64 bits so centres near the int limits cannot overflow.
  const std::int64_t y0 = std::max<std::int64_t>(static_cast<std::int64_t>(cy) - radius, 0);
  const std::int64_t y1 = std::min<std::int64_t>(static_cast<std::int64_t>(cy) + radius, height);
  const std::int64_t x0 = std::max<std::int64_t>(static_cast<std::int64_t>(cx) - radius, 0);
  const std::int64_t x1 = std::min<std::int64_t>(static_cast<std::int64_t>(cx) + radius, width);
  if (y0 >= y1 || x0 >= x1) return;
  const SpikeTable spikes(rays, startDegrees);
  if (!spikes.cs) return;
  const float r2 = static_cast<float>(radius * radius);
  for (std::int64_t py = y0; py < y1; ++py) {
    BMM_Color_64* row = pixels + static_cast<std::size_t>(py) * width;
    for (std::int64_t px = x0; px < x1; ++px) {
      float w = 0.0f;
      if (OffsetWeight(static_cast<int>(cx - px), static_cast<int>(cy - py), spikes, radius, r2, w))
        AddLight(row[px], colour, w);
    }
  }
}

void SourceCanvas::Sparkle(int id, int useColour, BMM_Color_64 colour, int radius, int threshold,
                           int rays, float startDegrees) {
  if (!pixels) return;
  aborted = 0;
  const bool drawable = StarArguments(radius, rays);
  // Worked out at the first star, so a picture without one costs no table.
  SpikeTable* spikes = nullptr;
  Stencil* stencil = nullptr;
  bool stencilTried = false;
  for (int y = 0; y < height; ++y) {
    if (QueryAbort(y)) break;
    if (!drawable) continue;
    const BMM_Color_64* source = sourcePixels + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      if (id != -1 && static_cast<std::int64_t>(ReadIdChannel(x, y)) != id) continue;
      const BMM_Color_64 s = source[x];
      const std::uint32_t rgb = static_cast<std::uint32_t>(s.r >> 8) |
                                static_cast<std::uint32_t>(s.g >> 8) << 8 |
                                static_cast<std::uint32_t>(s.b >> 8) << 16;
      int value = 0;
      RGBtoHSV(rgb, nullptr, nullptr, &value);
      if (value < threshold) continue;
      const BMM_Color_64 starColour = useColour == 1 ? colour : s;
      if (!stencilTried) {
        stencilTried = true;
        spikes = new (std::nothrow) SpikeTable(rays, startDegrees);
        if (spikes && spikes->cs) {
          stencil = new (std::nothrow) Stencil;
          if (stencil && !stencil->Build(*spikes, radius, width, height)) {
            delete stencil;
            stencil = nullptr;
          }
        }
      }
      if (!stencil) {
        // No room for the table: each star works out its own offsets.
        DrawStar(x, y, starColour, radius, rays, startDegrees);
        continue;
      }
      for (int oy = std::max(stencil->oy0, -y); oy <= std::min(stencil->oy1, height - 1 - y);
           ++oy) {
        BMM_Color_64* row = pixels + static_cast<std::size_t>(y + oy) * width;
        const std::size_t end = stencil->rowStart[oy - stencil->oy0 + 1];
        for (std::size_t i = stencil->rowStart[oy - stencil->oy0]; i < end; ++i) {
          const int px = x + stencil->taps[i].ox;
          if (px < 0 || px >= width) continue;
          AddLight(row[px], starColour, stencil->taps[i].w);
        }
      }
    }
  }
  delete stencil;
  delete spikes;
}
