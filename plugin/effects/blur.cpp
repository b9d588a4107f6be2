#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "canvas/canvas.h"

namespace {

struct Sum3 {
  std::uint64_t r, g, b;
};

// Summed-area table of sourcePixels: entry (i, j) holds the sums of r, g, b
// over rows < i and columns < j, so any clipped square costs four reads
// whatever its radius.
// 64 bits hold a whole 65535 x 65535 canvas of 65535s. Rows are added as
// the walk down the picture first needs them, so an early abort does not
// pay for the whole table.
class SourceSums {
 public:
  SourceSums(const BMM_Color_64* source, int width, int height)
      : source_(source), width_(width), height_(height) {
    const std::size_t n =
        (static_cast<std::size_t>(width) + 1) * (static_cast<std::size_t>(height) + 1);
    if (n > SIZE_MAX / sizeof(Sum3)) return;
    table_ = static_cast<Sum3*>(std::malloc(n * sizeof(Sum3)));
    if (!table_) return;
    std::fill(table_, table_ + width_ + 1, Sum3{0, 0, 0});
  }
  ~SourceSums() { std::free(table_); }
  SourceSums(const SourceSums&) = delete;
  SourceSums& operator=(const SourceSums&) = delete;

  bool Ready() const { return table_ != nullptr; }

  // Makes table rows 0 ... row available.
  void Ensure(int row) {
    while (built_ < row) {
      const BMM_Color_64* src = source_ + static_cast<std::size_t>(built_) * width_;
      const Sum3* above = Row(built_);
      Sum3* out = Row(built_ + 1);
      out[0] = Sum3{0, 0, 0};
      std::uint64_t r = 0, g = 0, b = 0;
      for (int x = 0; x < width_; ++x) {
        r += src[x].r;
        g += src[x].g;
        b += src[x].b;
        out[x + 1] = Sum3{above[x + 1].r + r, above[x + 1].g + g, above[x + 1].b + b};
      }
      ++built_;
    }
  }

  // Sums over columns [x0, x1) of table rows y0 and y1 (rows [y0, y1)).
  Sum3 Box(const Sum3* top, const Sum3* bottom, int x0, int x1) const {
    return Sum3{bottom[x1].r - bottom[x0].r - top[x1].r + top[x0].r,
                bottom[x1].g - bottom[x0].g - top[x1].g + top[x0].g,
                bottom[x1].b - bottom[x0].b - top[x1].b + top[x0].b};
  }

  const Sum3* Row(int i) const { return table_ + static_cast<std::size_t>(i) * (width_ + 1); }
  Sum3* Row(int i) { return table_ + static_cast<std::size_t>(i) * (width_ + 1); }

 private:
  const BMM_Color_64* source_;
  int width_;
  int height_;
  int built_ = 0;
  Sum3* table_ = nullptr;
};

// sum / n, truncated, for a mean of 16-bit values: sum <= 65535 * n with n
// below 2^32, so sum is exact in a double. `above` is 1 / n rounded, then
// raised by 2^-50 of itself, which puts it at or above 1 / n and within
// 10 * 2^-53 of it: the product is never below the quotient and stays under
// the next whole number above it, at least 1 / n > 2^-32 away. Truncating it
// is the integer division, without a 64-bit divide a channel.
inline std::uint16_t MeanOf(std::uint64_t sum, double above) {
  return static_cast<std::uint16_t>(
      static_cast<std::int32_t>(static_cast<double>(static_cast<std::int64_t>(sum)) * above));
}

// The reciprocal of the last window size, kept: inside the picture every
// window has the same size.
struct Divider {
  std::uint64_t n = 0;
  double above = 0.0;
  void Set(std::uint64_t count) {
    if (count != n) {
      n = count;
      above = (1.0 / static_cast<double>(count)) * (1.0 + 0x1p-50);
    }
  }
};

inline void PutMean(const Sum3& s, const Divider& d, BMM_Color_64& p) {
  p.r = MeanOf(s.r, d.above);
  p.g = MeanOf(s.g, d.above);
  p.b = MeanOf(s.b, d.above);
}

// A window wider than the canvas is cut to it; the result is the same.
inline int ReachOf(std::int64_t radius, int width, int height) {
  return static_cast<int>(std::min<std::int64_t>(radius, std::max(width, height)));
}

}  // namespace

void SourceCanvas::BoxAverageSource(int x, int y, int radius, BMM_Color_64* out) const {
  if (!out || !sourcePixels || radius <= 0) return;
  const std::int64_t y0 = std::max<std::int64_t>(static_cast<std::int64_t>(y) - radius, 0);
  const std::int64_t y1 = std::min<std::int64_t>(static_cast<std::int64_t>(y) + radius, height - 1);
  const std::int64_t x0 = std::max<std::int64_t>(static_cast<std::int64_t>(x) - radius, 0);
  const std::int64_t x1 = std::min<std::int64_t>(static_cast<std::int64_t>(x) + radius, width - 1);
  if (y0 > y1 || x0 > x1) return;
  std::uint64_t r = 0, g = 0, b = 0;
  for (std::int64_t yy = y0; yy <= y1; ++yy) {
    const BMM_Color_64* row = sourcePixels + static_cast<std::size_t>(yy) * width;
    for (std::int64_t xx = x0; xx <= x1; ++xx) {
      r += row[xx].r;
      g += row[xx].g;
      b += row[xx].b;
    }
  }
  const auto n = static_cast<std::uint64_t>((y1 - y0 + 1) * (x1 - x0 + 1));
  out->r = static_cast<std::uint16_t>(std::min<std::uint64_t>(r / n, 65535));
  out->g = static_cast<std::uint16_t>(std::min<std::uint64_t>(g / n, 65535));
  out->b = static_cast<std::uint16_t>(std::min<std::uint64_t>(b / n, 65535));
}

void SourceCanvas::Blur(int id, int radius) {
  if (!pixels) return;
  aborted = 0;
  if (radius <= 0) {
    // Every pixel would be written back as it is.
    for (int y = 0; y < height; ++y)
      if (QueryAbort(y)) return;
    return;
  }
  const int reach = ReachOf(radius, width, height);
  // One radius for every pixel: the window's column sums slide down the
  // picture (each source row added once and taken away once) and a prefix
  // over them gives each window's sum, the same sums the summed-area table
  // of DepthBlur gives, with working memory of two rows.
  const std::size_t w = static_cast<std::size_t>(width);
  auto* columns = static_cast<Sum3*>(std::calloc(w, sizeof(Sum3)));
  auto* prefix = static_cast<Sum3*>(std::malloc((w + 1) * sizeof(Sum3)));
  const bool fast = columns && prefix;
  int top = 0, bottom = 0;  // source rows [top, bottom) are in the column sums
  Divider divider;
  for (int y = 0; y < height && !QueryAbort(y); ++y) {
    BMM_Color_64* row = pixels + static_cast<std::size_t>(y) * width;
    if (!fast) {
      // No room even for two rows: the window is summed pixel by pixel.
      for (int x = 0; x < width; ++x)
        if (id == -1 || static_cast<std::int64_t>(ReadIdChannel(x, y)) == id)
          BoxAverageSource(x, y, radius, &row[x]);
      continue;
    }
    const int y0 = std::max(y - reach, 0);
    const int y1 =
        static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(y) + reach + 1, height));
    for (; bottom < y1; ++bottom) {
      const BMM_Color_64* src = sourcePixels + static_cast<std::size_t>(bottom) * w;
      for (std::size_t x = 0; x < w; ++x) {
        columns[x].r += src[x].r;
        columns[x].g += src[x].g;
        columns[x].b += src[x].b;
      }
    }
    for (; top < y0; ++top) {
      const BMM_Color_64* src = sourcePixels + static_cast<std::size_t>(top) * w;
      for (std::size_t x = 0; x < w; ++x) {
        columns[x].r -= src[x].r;
        columns[x].g -= src[x].g;
        columns[x].b -= src[x].b;
      }
    }
    prefix[0] = Sum3{0, 0, 0};
    for (std::size_t x = 0; x < w; ++x)
      prefix[x + 1] =
          Sum3{prefix[x].r + columns[x].r, prefix[x].g + columns[x].g, prefix[x].b + columns[x].b};
    const auto rows = static_cast<std::uint64_t>(y1 - y0);
    for (int x = 0; x < width; ++x) {
      if (id != -1 && static_cast<std::int64_t>(ReadIdChannel(x, y)) != id) continue;
      const int x0 = std::max(x - reach, 0);
      const int x1 =
          static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(x) + reach + 1, width));
      divider.Set(rows * static_cast<std::uint64_t>(x1 - x0));
      const Sum3 s{prefix[x1].r - prefix[x0].r, prefix[x1].g - prefix[x0].g,
                   prefix[x1].b - prefix[x0].b};
      PutMean(s, divider, row[x]);
    }
  }
  std::free(columns);
  std::free(prefix);
}

int Canvas::DepthRange(const float* depth, float* min, float* max, float* span) const {
  float lo = 1e20f;
  float hi = 0.0f;
  if (depth && pixels) {
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < n; ++i) {
      const float a = std::fabs(depth[i]);
      if (a >= 1e20f) continue;
      if (lo > a) lo = a;
      if (hi < a) hi = a;
    }
  }
  if (min) *min = lo;
  if (max) *max = hi;
  if (span) *span = hi - lo;
  return 1;
}

void SourceCanvas::DepthBlur(int id, float focus, float range, int maxRadius) {
  if (!pixels) return;
  // The radius divides by range and scales with maxRadius: other values give
  // no radius at all.
  if (!(range > 0.0f) || !std::isfinite(range) || !std::isfinite(focus) || maxRadius < 0) return;
  aborted = 0;
  const double scale = 2.0 * static_cast<double>(maxRadius);
  SourceSums sums(sourcePixels, width, height);
  Divider divider;
  for (int y = 0; y < height; ++y) {
    if (QueryAbort(y)) return;
    BMM_Color_64* row = pixels + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      if (id != -1 && static_cast<std::int64_t>(ReadIdChannel(x, y)) != id) continue;
      float z = ReadFloatChannel(x, y);
      // No depth (1e30 and beyond, or NaN): as far as the range.
      if (!(z < 1e30f)) z = range;
      const double d =
          std::fabs(-static_cast<double>(z) - static_cast<double>(focus)) * scale / range;
      // Clamped before the conversion, so a far depth (or an infinite one
      // times a zero radius) never leaves the int range.
      const int radius = d <= maxRadius ? static_cast<int>(d) : maxRadius;
      if (radius <= 0) continue;
      if (!sums.Ready()) {
        BoxAverageSource(x, y, radius, &row[x]);
        continue;
      }
      const int reach = ReachOf(radius, width, height);
      const int y0 = std::max(y - reach, 0);
      const int y1 = static_cast<int>(
          std::min<std::int64_t>(static_cast<std::int64_t>(y) + reach + 1, height));
      const int x0 = std::max(x - reach, 0);
      const int x1 =
          static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(x) + reach + 1, width));
      sums.Ensure(y1);
      divider.Set(static_cast<std::uint64_t>(y1 - y0) * static_cast<std::uint64_t>(x1 - x0));
      PutMean(sums.Box(sums.Row(y0), sums.Row(y1), x0, x1), divider, row[x]);
    }
  }
}

void Canvas::DepthToGrey(int id) {
  if (!pixels || !channel1) return;
  float min = 0.0f, max = 0.0f, span = 0.0f;
  DepthRange(channel1, &min, &max, &span);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const float z = channel1[static_cast<std::size_t>(y) * width + x];
      std::uint16_t v = 0;
      if (!(z < 1e30f) || !(std::fabs(z) < 1e20f)) {
        v = 0;  // no depth (NaN included): transparent black
      } else if (span == 0.0f) {
        v = 65535;  // one depth for the whole picture: all nearest
      } else {
        const double g = static_cast<double>(1.0f - (-z - min) / span) * 65535.0;
        // Depths above zero come out beyond the nearest: held at 65535.
        v = g >= 65535.0 ? 65535 : g <= 0.0 ? 0 : static_cast<std::uint16_t>(g);
      }
      if (id == -1 || static_cast<std::int64_t>(ReadIdChannel(x, y)) == id)
        pixels[static_cast<std::size_t>(y) * width + x] = BMM_Color_64{v, v, v, v};
    }
  }
}
