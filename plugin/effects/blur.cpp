#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "canvas/canvas.h"
#include "platform/memory.h"

namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

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
      : source_(source), width_(width) {
    const std::size_t n = (static_cast<std::size_t>(width) + 1) * (static_cast<std::size_t>(height) + 1);
    if (n > SIZE_MAX / sizeof(Sum3)) return;
    table_ = static_cast<Sum3*>(platform::Allocate(n * sizeof(Sum3)));
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

// One radius for the whole picture, in 32-bit column sums: the window's
// column sums slide down the picture (each source row added once and taken
// away once, r, g, b and a in four lanes), then a running sum of doubles
// slides along each row. With at most kMaxColumnRows rows a column sum stays
// below 2^31, so the difference of two of them is an exact int32 and every
// running sum a whole number below 2^53: exact, and MeanOf's division holds
// for windows below 2^32 pixels. Answers false, having done nothing, where
// those bounds or the memory are not there.
constexpr int kMaxColumnRows = 32768;  // 32768 * 65535 < 2^31

class ColumnBlur {
 public:
  ColumnBlur(SourceCanvas& canvas, int reach) : c_(canvas), reach_(reach) {}
  ~ColumnBlur() {
    std::free(columns_);
    std::free(above_);
    std::free(inverse_);
  }
  ColumnBlur(const ColumnBlur&) = delete;
  ColumnBlur& operator=(const ColumnBlur&) = delete;

  bool Run(int id) {
    const std::int64_t side = 2 * static_cast<std::int64_t>(reach_) + 1;
    const std::int64_t rows = std::min<std::int64_t>(side, c_.height);
    const std::int64_t cols = std::min<std::int64_t>(side, c_.width);
    if (rows > kMaxColumnRows || rows * cols >= (1LL << 32)) return false;
    const std::size_t w = static_cast<std::size_t>(c_.width);
    // Zero columns on each side stand for the columns beyond the edges: as
    // many as a window reaches out, or (for windows wider than the picture)
    // one, which every column past the edge is cut to.
    pad_ = static_cast<std::size_t>(std::min<std::int64_t>(reach_, c_.width)) + 1;
    columns_ =
        static_cast<std::uint32_t*>(platform::AllocateZeroed((w + 2 * pad_) * 4, sizeof(std::uint32_t)));
    above_ = static_cast<double*>(platform::Allocate((static_cast<std::size_t>(cols) + 1) * sizeof(double)));
    inverse_ =
        static_cast<double*>(platform::Allocate((static_cast<std::size_t>(cols) + 1) * sizeof(double)));
    if (!columns_ || !above_ || !inverse_) return false;
    for (std::int64_t k = 1; k <= cols; ++k) inverse_[k] = 1.0 / static_cast<double>(k);
    int top = 0, bottom = 0;  // source rows [top, bottom) are in the column sums
    std::int64_t tableRows = 0;
    for (int y = 0; y < c_.height && !c_.QueryAbort(y); ++y) {
      const int y1 =
          static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(y) + reach_ + 1, c_.height));
      const int y0 = std::max(y - reach_, 0);
      // Usually one row enters and one leaves, in one pass.
      while (bottom < y1 || top < y0) {
        const BMM_Color_64* in = bottom < y1 ? Row(bottom++) : nullptr;
        const BMM_Color_64* out = top < y0 ? Row(top++) : nullptr;
        Slide(in, out);
      }
      if (y1 - y0 != tableRows) {
        tableRows = y1 - y0;
        FillReciprocals(static_cast<double>(tableRows), cols);
      }
      Blend(y, id);
    }
    return true;
  }

 private:
  const BMM_Color_64* Row(int y) const { return c_.sourcePixels + static_cast<std::size_t>(y) * c_.width; }
  std::uint32_t* Column(std::int64_t x) {
    return columns_ + 4 * static_cast<std::size_t>(x + static_cast<std::int64_t>(pad_));
  }

  // above_[k] = a raised 1 / (rows * k) for every width k the window takes
  // in a row, as 1 / rows times inverse_[k] = 1 / k, raised by 2^-50 of
  // itself: at or above 1 / (rows * k) and within 13 * 2^-53 of it, so that
  // MeanOf's argument holds (sum * 13 * 2^-53 < 2^-32 for sums of 16-bit
  // values). Near the top and bottom edges this runs for nearly every row,
  // so it divides once.
  void FillReciprocals(double rows, std::int64_t cols) {
    const double raise = 1.0 + 0x1p-50;
    const double perRow = 1.0 / rows;
    std::int64_t k = 1;
#if defined(__SSE2__)
    const __m128d r = _mm_set1_pd(perRow), up = _mm_set1_pd(raise);
    for (; k + 1 <= cols; k += 2)
      _mm_storeu_pd(above_ + k, _mm_mul_pd(_mm_mul_pd(r, _mm_loadu_pd(inverse_ + k)), up));
#endif
    for (; k <= cols; ++k) above_[k] = (perRow * inverse_[k]) * raise;
  }

  // Adds the row `in` to the column sums and takes `out` away (either may
  // be null).
  void Slide(const BMM_Color_64* in, const BMM_Color_64* out) {
    const int w = c_.width;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    auto* col = reinterpret_cast<__m128i*>(Column(0));
    if (in && out) {
      for (int x = 0; x < w; ++x) {
        const __m128i a = _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + x)), zero);
        const __m128i b =
            _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(out + x)), zero);
        _mm_storeu_si128(col + x, _mm_add_epi32(_mm_loadu_si128(col + x), _mm_sub_epi32(a, b)));
      }
      return;
    }
    auto lanes = [&](const BMM_Color_64* p) {
      return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    };
    if (in)
      for (int x = 0; x < w; ++x)
        _mm_storeu_si128(col + x, _mm_add_epi32(_mm_loadu_si128(col + x), lanes(in + x)));
    else if (out)
      for (int x = 0; x < w; ++x)
        _mm_storeu_si128(col + x, _mm_sub_epi32(_mm_loadu_si128(col + x), lanes(out + x)));
#else
    for (int x = 0; x < w; ++x) {
      std::uint32_t* col = Column(x);
      if (in) col[0] += in[x].r, col[1] += in[x].g, col[2] += in[x].b, col[3] += in[x].a;
      if (out) col[0] -= out[x].r, col[1] -= out[x].g, col[2] -= out[x].b, col[3] -= out[x].a;
    }
#endif
  }

  // Writes row y's selected pixels: the window's sums divided by its size;
  // alpha stays. Column x + reach enters and x - reach - 1 leaves at x; the
  // zero columns beyond the edges stand in for those outside.
  void Blend(int y, int id) {
    if (id == -1) Blend<true>(y, id);
    else Blend<false>(y, id);
  }

  // With kEvery, every pixel is written and the id channel is not read
  // (nor is any call made that would spill the running sums).
  template <bool kEvery>
  void Blend(int y, int id) {
    const int w = c_.width;
    BMM_Color_64* row = c_.pixels + static_cast<std::size_t>(y) * w;
    const std::int64_t reach = reach_;
    const std::int64_t first = std::min<std::int64_t>(reach, w);  // columns summed before x = 0
    // Pixels [lo, hi) have their whole window inside the picture: no column
    // index to cut and one window size.
    const std::int64_t lo = std::min<std::int64_t>(reach + 1, w);
    const std::int64_t hi = std::max<std::int64_t>(w - reach, lo);
    auto at = [&](std::int64_t x) {
      return Column(std::min<std::int64_t>(std::max<std::int64_t>(x, -1), w));
    };
    auto cut = [&](std::int64_t x) {
      return above_[std::min<std::int64_t>(x + reach + 1, w) - std::max<std::int64_t>(x - reach, 0)];
    };
    auto selected = [&](std::int64_t x) {
      return kEvery || static_cast<std::int64_t>(c_.ReadIdChannel(static_cast<int>(x), y)) == id;
    };
#if defined(__SSE2__)
    __m128d rg = _mm_setzero_pd(), ba = _mm_setzero_pd();
    for (std::int64_t x = 0; x < first; ++x) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Column(x)));
      rg = _mm_add_pd(rg, _mm_cvtepi32_pd(v));
      ba = _mm_add_pd(ba, _mm_cvtepi32_pd(_mm_shuffle_epi32(v, 0xEE)));
    }
    auto step = [&](std::int64_t x, const std::uint32_t* in, const std::uint32_t* out, double reciprocal) {
      // Column sums are below 2^31: their difference is an exact int32.
      const __m128i d = _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(out)));
      rg = _mm_add_pd(rg, _mm_cvtepi32_pd(d));
      ba = _mm_add_pd(ba, _mm_cvtepi32_pd(_mm_shuffle_epi32(d, 0xEE)));
      if (!selected(x)) return;
      const __m128d above = _mm_set1_pd(reciprocal);
      const __m128i means = _mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_mul_pd(rg, above)),
                                               _mm_cvttpd_epi32(_mm_mul_pd(ba, above)));
      // 0 ... 65535 in 32-bit lanes to 16 bits: signed saturation after a
      // shift by 32768, shifted back; then the pixel's own alpha.
      const __m128i bias = _mm_set1_epi32(32768);
      __m128i packed =
          _mm_add_epi16(_mm_packs_epi32(_mm_sub_epi32(means, bias), bias), _mm_set1_epi16(-32768));
      packed = _mm_insert_epi16(packed, row[x].a, 3);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(row + x), packed);
    };
#else
    double r = 0, g = 0, b = 0;
    for (std::int64_t x = 0; x < first; ++x) r += Column(x)[0], g += Column(x)[1], b += Column(x)[2];
    auto step = [&](std::int64_t x, const std::uint32_t* in, const std::uint32_t* out, double above) {
      r += static_cast<std::int32_t>(in[0] - out[0]);
      g += static_cast<std::int32_t>(in[1] - out[1]);
      b += static_cast<std::int32_t>(in[2] - out[2]);
      if (!selected(x)) return;
      row[x].r = static_cast<std::uint16_t>(static_cast<std::int32_t>(r * above));
      row[x].g = static_cast<std::uint16_t>(static_cast<std::int32_t>(g * above));
      row[x].b = static_cast<std::uint16_t>(static_cast<std::int32_t>(b * above));
    };
#endif
    std::int64_t x = 0;
    if (reach >= w) {
      // Every window is cut on both sides.
      for (; x < w; ++x) step(x, at(x + reach), at(x - reach - 1), cut(x));
      return;
    }
    // The zero columns reach as far as any window does.
    const std::uint32_t* in = Column(reach);
    const std::uint32_t* out = Column(-reach - 1);
    for (; x < lo; ++x, in += 4, out += 4) step(x, in, out, cut(x));
    const double whole = above_[std::min<std::int64_t>(2 * reach + 1, w)];
    for (; x < hi; ++x, in += 4, out += 4) step(x, in, out, whole);
    for (; x < w; ++x, in += 4, out += 4) step(x, in, out, cut(x));
  }

  SourceCanvas& c_;
  int reach_;
  std::size_t pad_ = 1;
  std::uint32_t* columns_ = nullptr;
  double* above_ = nullptr;
  double* inverse_ = nullptr;
};

// DepthBlur's radius for a distance a = |-z - focus|: the literal
// min(trunc(a * scale / range), maxRadius), cut to `cap` (a window past the
// canvas gives the same mean), without a division a pixel. thresholds_[k]
// is the least a whose literal quotient reaches k, found once by bisection
// over the doubles (the quotient never falls as a grows); a multiplication
// by scale / range lands within a step of the answer and the thresholds
// settle it.
class DepthRadius {
 public:
  DepthRadius(double scale, double range, int cap) : scale_(scale), range_(range), cap_(cap) {
    thresholds_ =
        static_cast<double*>(platform::Allocate((static_cast<std::size_t>(cap) + 1) * sizeof(double)));
    if (!thresholds_) return;
    thresholds_[0] = 0.0;
    const std::uint64_t infinite = 0x7FF0000000000000ULL;
    std::uint64_t lo = 0;  // the quotient at lo is below k, at hi it is not
    for (int k = 1; k <= cap; ++k) {
      std::uint64_t hi = infinite;
      while (hi - lo > 1) {
        const std::uint64_t mid = lo + (hi - lo) / 2;
        if (Quotient(Double(mid)) >= k) hi = mid;
        else lo = mid;
      }
      thresholds_[k] = Double(hi);
    }
    step_ = scale / range;
  }
  ~DepthRadius() { std::free(thresholds_); }
  DepthRadius(const DepthRadius&) = delete;
  DepthRadius& operator=(const DepthRadius&) = delete;

  bool Ready() const { return thresholds_ != nullptr; }

  int operator()(double a) const {
    const double t = a * step_;
    int r = t < cap_ ? static_cast<int>(t) : cap_;
    while (r < cap_ && a >= thresholds_[r + 1]) ++r;
    while (r > 0 && a < thresholds_[r]) --r;
    return r;
  }

  // The literal radius, for when the table could not be had.
  int Literal(double a) const {
    const double d = Quotient(a);
    return d <= cap_ ? static_cast<int>(d) : cap_;
  }

 private:
  double Quotient(double a) const { return a * scale_ / range_; }
  static double Double(std::uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof(d));
    return d;
  }

  double scale_, range_;
  int cap_;
  double step_ = 0.0;
  double* thresholds_ = nullptr;
};

// DepthBlur's windows in 32-bit sums: a summed-area table kept modulo 2^32,
// whose four-corner difference is a window's exact sum whenever that sum is
// below 2^32 (here below 2^31, so that it converts as a signed lane). Only
// the table rows a window of the largest radius reaches are kept, in a ring
// that is filled as the walk down the picture first needs them.
class RingSums {
 public:
  // Every lane: r, g, b and a (summed and dropped).
  struct alignas(16) Entry {
    std::uint32_t v[4];
  };

  RingSums(const BMM_Color_64* source, int width, int height, int cap) : source_(source), width_(width) {
    const std::int64_t side = 2 * static_cast<std::int64_t>(cap) + 1;
    const std::int64_t rows = std::min<std::int64_t>(side, height);
    const std::int64_t cols = std::min<std::int64_t>(side, width);
    if (rows * cols * 65535 >= (std::int64_t{1} << 31)) return;
    slots_ = static_cast<int>(std::min<std::int64_t>(side + 1, static_cast<std::int64_t>(height) + 1));
    const std::size_t n = static_cast<std::size_t>(slots_) * (static_cast<std::size_t>(width) + 1);
    if (n > SIZE_MAX / sizeof(Entry) - 1) return;
    // Entries on 16-byte boundaries, so that SSE2 arithmetic reads them in
    // place (the 32-bit allocator promises 8).
    block_ = platform::Allocate((n + 1) * sizeof(Entry));
    void* start = block_;
    std::size_t space = (n + 1) * sizeof(Entry);
    table_ =
        block_ ? static_cast<Entry*>(std::align(alignof(Entry), n * sizeof(Entry), start, space)) : nullptr;
    above_ = static_cast<double*>(
        platform::Allocate((static_cast<std::size_t>(rows * cols) + 1) * sizeof(double)));
    if (!table_ || !above_) return;
    for (std::int64_t k = 1; k <= rows * cols; ++k)
      above_[k] = (1.0 / static_cast<double>(k)) * (1.0 + 0x1p-50);
    std::memset(Row(0), 0, (static_cast<std::size_t>(width) + 1) * sizeof(Entry));
    ready_ = true;
  }
  ~RingSums() {
    std::free(block_);
    std::free(above_);
  }
  RingSums(const RingSums&) = delete;
  RingSums& operator=(const RingSums&) = delete;

  bool Ready() const { return ready_; }

  // Table row i (sums over source rows < i); rows i - slots + 1 ... i are kept.
  const Entry* Row(int i) const { return table_ + static_cast<std::size_t>(i % slots_) * (width_ + 1); }
  Entry* Row(int i) { return table_ + static_cast<std::size_t>(i % slots_) * (width_ + 1); }

  // Makes table rows up to `row` available.
  void Ensure(int row) {
    for (; built_ < row; ++built_) {
      const BMM_Color_64* src = source_ + static_cast<std::size_t>(built_) * width_;
      const Entry* above = Row(built_);
      Entry* out = Row(built_ + 1);
      out[0] = Entry{{0, 0, 0, 0}};
#if defined(__SSE2__)
      const __m128i zero = _mm_setzero_si128();
      __m128i run = zero;
      auto* to = reinterpret_cast<__m128i*>(out + 1);
      const auto* from = reinterpret_cast<const __m128i*>(above + 1);
      int x = 0;
      // Four pixels a pass, two to a load.
      for (; x + 4 <= width_; x += 4, to += 4, from += 4) {
        const __m128i p01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        const __m128i p23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x + 2));
        const __m128i r0 = _mm_add_epi32(run, _mm_unpacklo_epi16(p01, zero));
        const __m128i r1 = _mm_add_epi32(r0, _mm_unpackhi_epi16(p01, zero));
        const __m128i r2 = _mm_add_epi32(r1, _mm_unpacklo_epi16(p23, zero));
        run = _mm_add_epi32(r2, _mm_unpackhi_epi16(p23, zero));
        _mm_store_si128(to, _mm_add_epi32(_mm_load_si128(from), r0));
        _mm_store_si128(to + 1, _mm_add_epi32(_mm_load_si128(from + 1), r1));
        _mm_store_si128(to + 2, _mm_add_epi32(_mm_load_si128(from + 2), r2));
        _mm_store_si128(to + 3, _mm_add_epi32(_mm_load_si128(from + 3), run));
      }
      for (; x < width_; ++x) {
        run = _mm_add_epi32(
            run, _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + x)), zero));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + x + 1),
            _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(above + x + 1)), run));
      }
#else
      std::uint32_t r = 0, g = 0, b = 0;
      for (int x = 0; x < width_; ++x) {
        r += src[x].r, g += src[x].g, b += src[x].b;
        out[x + 1] = Entry{{above[x + 1].v[0] + r, above[x + 1].v[1] + g, above[x + 1].v[2] + b, 0}};
      }
#endif
    }
  }

  // Writes the means of the windows of a run of pixels [xa, xb) of row
  // `row` that share one radius, whose table rows are [top, bottom), `rows`
  // high. Inside the picture every window has the same size.
  void PutRun(const Entry* top, const Entry* bottom, int rows, int radius, int xa, int xb,
              BMM_Color_64* row) const {
    // Windows of the pixels [inLo, inHi) lie wholly inside the picture.
    const int inLo = std::min(std::max(xa, radius), xb);
    const int inHi = static_cast<int>(
        std::max<std::int64_t>(std::min<std::int64_t>(xb, static_cast<std::int64_t>(width_) - radius), inLo));
    auto edge = [&](int x) {
      const int x0 = std::max(x - radius, 0);
      const int x1 =
          static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(x) + radius + 1, width_));
      Put(top, bottom, x0, x1, above_[static_cast<std::size_t>(rows) * (x1 - x0)], row[x]);
    };
    int x = xa;
    for (; x < inLo; ++x) edge(x);
    // Interior pixels exist only where the whole window fits the width.
    const double above =
        x < inHi ? above_[static_cast<std::size_t>(rows) * (2 * static_cast<std::size_t>(radius) + 1)] : 0.0;
#if defined(__SSE2__)
    if (inHi - x >= 2) {
      // Two pixels a pass; an odd last pixel is done again with the one
      // before it, which gives that one the same value.
      const __m128d up = _mm_set1_pd(above);
      const __m128i zero = _mm_setzero_si128();
      const __m128i alpha = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
      auto pair = [&](int at) {
        auto entry = [](const Entry* e) { return _mm_load_si128(reinterpret_cast<const __m128i*>(e)); };
        const Entry* b0 = bottom + at - radius;
        const Entry* b1 = bottom + at + radius + 1;
        const Entry* t0 = top + at - radius;
        const Entry* t1 = top + at + radius + 1;
        const __m128i s0 =
            _mm_add_epi32(_mm_sub_epi32(entry(b1), entry(b0)), _mm_sub_epi32(entry(t0), entry(t1)));
        const __m128i s1 = _mm_add_epi32(_mm_sub_epi32(entry(b1 + 1), entry(b0 + 1)),
                                         _mm_sub_epi32(entry(t0 + 1), entry(t1 + 1)));
        // r, g of each pixel and the two b's: three conversions, no alpha.
        auto mean = [&](__m128i v) { return _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(v), up)); };
        const __m128i rg = _mm_unpacklo_epi64(mean(s0), mean(s1));  // r0 g0 r1 g1
        const __m128i b = mean(_mm_unpackhi_epi32(s0, s1));         // b0 b1
        // Means are 0 ... 65535: their low words, as r0 g0 0 0 r1 g1 0 0,
        // then b0 and b1 into words 2 and 6, then the pixels' own alphas.
        const __m128i words = _mm_shufflehi_epi16(_mm_shufflelo_epi16(rg, 0x58), 0x58);
        const __m128i blues = _mm_slli_epi64(_mm_unpacklo_epi32(b, zero), 32);
        auto* p = reinterpret_cast<__m128i*>(row + at);
        _mm_storeu_si128(p,
                         _mm_or_si128(_mm_or_si128(words, blues), _mm_and_si128(alpha, _mm_loadu_si128(p))));
      };
      for (; x + 2 <= inHi; x += 2) pair(x);
      if (x < inHi) pair(inHi - 2);
      x = inHi;
    }
#endif
    for (; x < inHi; ++x) Put(top, bottom, x - radius, x + radius + 1, above, row[x]);
    for (; x < xb; ++x) edge(x);
  }

 private:
  // p's r, g and b from the window of table rows [top, bottom) and
  // columns [x0, x1), `above` being its size's raised reciprocal.
  static void Put(const Entry* top, const Entry* bottom, int x0, int x1, double above, BMM_Color_64& p) {
#if defined(__SSE2__)
    auto at = [](const Entry* e) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(e)); };
    const __m128i s = _mm_add_epi32(_mm_sub_epi32(at(bottom + x1), at(bottom + x0)),
                                    _mm_sub_epi32(at(top + x0), at(top + x1)));
    const __m128d up = _mm_set1_pd(above);
    const __m128i means =
        _mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(s), up)),
                           _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(s, 0xEE)), up)));
    // Means are 0 ... 65535: to 16 bits through signed saturation after a
    // shift by 32768, shifted back; then the pixel's own alpha.
    __m128i packed =
        _mm_add_epi16(_mm_packs_epi32(_mm_sub_epi32(means, _mm_set1_epi32(32768)), _mm_set1_epi32(32768)),
                      _mm_set1_epi16(-32768));
    packed = _mm_insert_epi16(packed, p.a, 3);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&p), packed);
#else
    for (int c = 0; c < 3; ++c) {
      const std::uint32_t sum = bottom[x1].v[c] - bottom[x0].v[c] - top[x1].v[c] + top[x0].v[c];
      const auto mean = static_cast<std::uint16_t>(
          static_cast<std::int32_t>(static_cast<double>(static_cast<std::int32_t>(sum)) * above));
      (c == 0 ? p.r : c == 1 ? p.g : p.b) = mean;
    }
#endif
  }

  const BMM_Color_64* source_;
  int width_;
  int slots_ = 0;
  int built_ = 0;
  bool ready_ = false;
  void* block_ = nullptr;
  Entry* table_ = nullptr;
  double* above_ = nullptr;
};

#if defined(__SSE2__)
// Asks for the cache lines of [p, p + bytes) ahead of their use.
inline void Prefetch(const void* p, std::size_t bytes) {
  const char* at = static_cast<const char*>(p);
  for (std::size_t b = 0; b < bytes; b += 64) _mm_prefetch(at + b, _MM_HINT_T0);
}
#endif

// DepthBlur over 32-bit window sums; false, having done nothing, where the
// windows' sums could pass 2^31 or the memory is not there.
template <typename RowRadii>
bool DepthBlurNarrow(SourceCanvas& c, int cap, RowRadii rowRadii) {
  const int width = c.width, height = c.height;
  RingSums ring(c.sourcePixels, width, height, cap);
  // The row's radii first, then each run of one radius at a time.
  auto* radii = static_cast<int*>(platform::Allocate(static_cast<std::size_t>(width) * sizeof(int)));
  if (!ring.Ready() || !radii) {
    std::free(radii);
    return false;
  }
  for (int y = 0; y < height && !c.QueryAbort(y); ++y) {
    ring.Ensure(static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(y) + cap + 1, height)));
    BMM_Color_64* row = c.pixels + static_cast<std::size_t>(y) * width;
    const float* depth = c.channel1 ? c.channel1 + static_cast<std::size_t>(y) * width : nullptr;
    rowRadii(y, depth, radii);
#if defined(__SSE2__)
    // The next row's pixels and depths, and the source row its table row
    // needs, are asked for while this row is worked on.
    if (y + 1 < height) {
      const std::size_t bytes = static_cast<std::size_t>(width) * sizeof(BMM_Color_64);
      Prefetch(row + width, bytes);
      if (static_cast<std::int64_t>(y) + cap + 2 < height)
        Prefetch(c.sourcePixels + static_cast<std::size_t>(y + cap + 2) * width, bytes);
      if (depth) Prefetch(depth + width, static_cast<std::size_t>(width) * sizeof(float));
    }
#endif
    for (int x = 0; x < width;) {
      const int radius = radii[x];
      int end = x + 1;
#if defined(__SSE2__)
      // Four radii a step: the first that differs ends the run.
      const __m128i same = _mm_set1_epi32(radius);
      for (; end + 4 <= width; end += 4) {
        const int match = _mm_movemask_ps(_mm_castsi128_ps(
            _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(radii + end)), same)));
        if (match != 0xF) {
          end += std::countr_one(static_cast<unsigned>(match));
          break;
        }
      }
      if (end + 4 > width)
#endif
        while (end < width && radii[end] == radius) ++end;
      if (radius > 0) {
        const int y0 = std::max(y - radius, 0);
        const int y1 =
            static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(y) + radius + 1, height));
        ring.PutRun(ring.Row(y0), ring.Row(y1), y1 - y0, radius, x, end, row);
      }
      x = end;
    }
  }
  std::free(radii);
  return true;
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
  if (ColumnBlur(*this, reach).Run(id)) return;
  // Past 32-bit column sums, or short of memory for them: 64-bit column
  // sums slide down the picture the same way and a prefix over them gives
  // each window's sum, with working memory of two rows.
  const std::size_t w = static_cast<std::size_t>(width);
  auto* columns = static_cast<Sum3*>(platform::AllocateZeroed(w, sizeof(Sum3)));
  auto* prefix = static_cast<Sum3*>(platform::Allocate((w + 1) * sizeof(Sum3)));
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
    const int y1 = static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(y) + reach + 1, height));
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
      const Sum3 s{prefix[x1].r - prefix[x0].r, prefix[x1].g - prefix[x0].g, prefix[x1].b - prefix[x0].b};
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
  // Clamped before any conversion, so a far depth (or an infinite one times
  // a zero radius) never leaves the int range.
  const int cap = ReachOf(maxRadius, width, height);
  const DepthRadius radiusOf(scale, static_cast<double>(range), cap);
  // The radius of the selected pixel (x, y), or 0 for one left alone.
  auto radiusAt = [&](int x, int y, const float* depth) {
    if (id != -1 && static_cast<std::int64_t>(ReadIdChannel(x, y)) != id) return 0;
    float z = depth ? depth[x] : 0.0f;
    // No depth (1e30 and beyond, or NaN): as far as the range.
    if (!(z < 1e30f)) z = range;
    const double a = std::fabs(-static_cast<double>(z) - static_cast<double>(focus));
    return radiusOf.Ready() ? radiusOf(a) : radiusOf.Literal(a);
  };
  // A row's radii at once where the depths are there. With a cap below 4096
  // and step = scale / range a normal float, four at a time in floats: the
  // float quotient q = |-z - focus| * step is within 4 * 2^-24 of the
  // literal double one relatively, so within 2^-10 of it below the cut at
  // cap + 1/2. Where q - 2^-8 and q + 2^-8 have the same whole part, that is
  // the literal radius; the other pixels (depths on a radius boundary) take
  // the literal quotient after the row. Otherwise two at a time by the
  // literal quotient, division included.
  const double step = scale / static_cast<double>(range);
  const int w = width;
  const std::unique_ptr<int[], FreeDeleter> nearGroups(
      static_cast<int*>(platform::Allocate((static_cast<std::size_t>(w) / 4 + 1) * 2 * sizeof(int))));
  const bool floatRadii = nearGroups && cap >= 1 && cap < 4096 && step >= 0x1p-100 && step <= 0x1p100;
  auto rowRadii = [&, w](int y, const float* depth, int* radii) {
    int x = 0;
#if defined(__SSE2__)
    if (depth && floatRadii) {
      const __m128 background = _mm_set1_ps(1e30f), rangeF = _mm_set1_ps(range), sign = _mm_set1_ps(-0.0f),
                   focusF = _mm_set1_ps(focus), stepF = _mm_set1_ps(static_cast<float>(step)),
                   limit = _mm_set1_ps(static_cast<float>(cap) + 0.5f), margin = _mm_set1_ps(0x1p-8f);
      // (x, lanes) of the groups with a pixel near a boundary.
      int nearCount = 0;
      for (; x + 4 <= w; x += 4) {
        __m128 z = _mm_loadu_ps(depth + x);
        const __m128 withDepth = _mm_cmplt_ps(z, background);  // false for NaN
        z = _mm_or_ps(_mm_and_ps(withDepth, z), _mm_andnot_ps(withDepth, rangeF));
        const __m128 a = _mm_andnot_ps(sign, _mm_sub_ps(_mm_xor_ps(z, sign), focusF));
        const __m128 q = _mm_min_ps(_mm_mul_ps(a, stepF), limit);
        const __m128i k = _mm_cvttps_epi32(_mm_add_ps(q, margin));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(radii + x), k);
        const int m =
            _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(k, _mm_cvttps_epi32(_mm_sub_ps(q, margin))))) ^
            0xF;
        if (m) {
          nearGroups[nearCount++] = x;
          nearGroups[nearCount++] = m;
        }
      }
      for (int i = 0; i < nearCount; i += 2)
        for (int j = 0; j < 4; ++j)
          if (nearGroups[i + 1] & (1 << j)) {
            const int at = nearGroups[i] + j;
            const float z = depth[at] < 1e30f ? depth[at] : range;
            radii[at] = radiusOf.Literal(std::fabs(-static_cast<double>(z) - static_cast<double>(focus)));
          }
    } else if (depth) {
      const __m128 background = _mm_set1_ps(1e30f), rangeF = _mm_set1_ps(range);
      const __m128d sign = _mm_set1_pd(-0.0), focusD = _mm_set1_pd(focus), scaleD = _mm_set1_pd(scale),
                    rangeD = _mm_set1_pd(range), capD = _mm_set1_pd(cap);
      for (; x + 2 <= w; x += 2) {
        __m128 z = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(depth + x)));
        const __m128 withDepth = _mm_cmplt_ps(z, background);  // false for NaN
        z = _mm_or_ps(_mm_and_ps(withDepth, z), _mm_andnot_ps(withDepth, rangeF));
        const __m128d a = _mm_andnot_pd(sign, _mm_sub_pd(_mm_xor_pd(_mm_cvtps_pd(z), sign), focusD));
        const __m128d q = _mm_div_pd(_mm_mul_pd(a, scaleD), rangeD);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(radii + x), _mm_cvttpd_epi32(_mm_min_pd(q, capD)));
      }
    }
    if (id != -1)
      for (int i = 0; i < x; ++i)
        if (static_cast<std::int64_t>(ReadIdChannel(i, y)) != id) radii[i] = 0;
#endif
    for (; x < w; ++x) radii[x] = radiusAt(x, y, depth);
  };
  if (DepthBlurNarrow(*this, cap, rowRadii)) return;
  // Windows whose sums may pass 2^31, or no memory for the ring: one 64-bit
  // table over the picture.
  SourceSums sums(sourcePixels, width, height);
  Divider divider;
  for (int y = 0; y < height; ++y) {
    if (QueryAbort(y)) return;
    BMM_Color_64* row = pixels + static_cast<std::size_t>(y) * width;
    const float* depth = channel1 ? channel1 + static_cast<std::size_t>(y) * width : nullptr;
    for (int x = 0; x < width; ++x) {
      const int radius = radiusAt(x, y, depth);
      if (radius <= 0) continue;
      if (!sums.Ready()) {
        BoxAverageSource(x, y, radius, &row[x]);
        continue;
      }
      const int reach = ReachOf(radius, width, height);
      const int y0 = std::max(y - reach, 0);
      const int y1 =
          static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(y) + reach + 1, height));
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
