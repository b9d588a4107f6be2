#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "canvas/canvas.h"
#include "filter/filter_base.h"
#include "platform/memory.h"

namespace {

// Sums beyond this magnitude clamp to the same end of 0..65535 whatever the
// divisor and bias (|v| / (2^31 - 1) still exceeds 2^31 + 65535), and adding
// a bias to them cannot leave 64 bits.
constexpr std::int64_t kSumBound = (std::int64_t{1} << 62) + (std::int64_t{1} << 61);

// Exact 128-bit sum, for kernels so large that 64 bits might not hold it.
struct WideSum {
  std::uint64_t lo = 0;
  std::int64_t hi = 0;

  WideSum& operator+=(std::int64_t p) {
    const std::uint64_t old = lo;
    lo += static_cast<std::uint64_t>(p);
    hi += (p < 0 ? -1 : 0) + (lo < old ? 1 : 0);
    return *this;
  }
};

std::int64_t Bounded(std::int64_t v) { return std::clamp(v, -kSumBound, kSumBound); }
std::int64_t Bounded(std::int32_t v) { return v; }

std::int64_t Bounded(const WideSum& s) {
  const bool fits =
      (s.hi == 0 && s.lo < (std::uint64_t{1} << 63)) || (s.hi == -1 && s.lo >= (std::uint64_t{1} << 63));
  if (fits) return Bounded(static_cast<std::int64_t>(s.lo));
  return s.hi < 0 ? -kSumBound : kSumBound;
}

std::uint16_t Finish(std::int64_t v, int divisor, int bias, int invert) {
  if (divisor > 1) v /= divisor;
  v += bias;
  v = std::clamp<std::int64_t>(v, 0, 65535);
  if (invert == 1) v = 65535 - v;
  return static_cast<std::uint16_t>(v);
}

// Products are formed in the sum's own width, or in 64 bits for the wide sum.
template <typename Sum>
using Product = std::conditional_t<std::is_same_v<Sum, std::int32_t>, std::int32_t, std::int64_t>;

// A non-zero coefficient and the source row it reads for the current
// output row; column x reads column x + dx.
struct Tap {
  std::int32_t k;
  std::int64_t dx;
  const std::uint16_t* row;
};

// Adds one tap over the columns [from, to) that it reaches. The channels are
// summed as a flat run of 4 lanes per pixel (alpha's lane is summed and
// dropped), which keeps the loop free of branches.
template <typename Sum>
void AddTap(const Tap& t, std::int64_t from, std::int64_t to, std::int64_t w, Sum* sums) {
  from = std::max<std::int64_t>(from, -t.dx);
  to = std::min<std::int64_t>(to, w - t.dx);
  if (from >= to) return;
  const auto k = static_cast<Product<Sum>>(t.k);
  const std::uint16_t* s = t.row + (from + t.dx) * 4;
  Sum* d = sums + from * 4;
  const auto n = static_cast<std::size_t>(to - from) * 4;
  for (std::size_t i = 0; i < n; ++i) d[i] += k * static_cast<Product<Sum>>(s[i]);
}

// Three taps at once over columns they all reach: a third of the passes
// over the sums.
template <typename Sum>
void AddTaps3(const Tap& a, const Tap& b, const Tap& c, std::int64_t from, std::int64_t to, Sum* sums) {
  using P = Product<Sum>;
  const auto ka = static_cast<P>(a.k), kb = static_cast<P>(b.k), kc = static_cast<P>(c.k);
  const std::uint16_t* sa = a.row + (from + a.dx) * 4;
  const std::uint16_t* sb = b.row + (from + b.dx) * 4;
  const std::uint16_t* sc = c.row + (from + c.dx) * 4;
  Sum* d = sums + from * 4;
  const auto n = static_cast<std::size_t>(to - from) * 4;
  for (std::size_t i = 0; i < n; ++i)
    d[i] += ka * static_cast<P>(sa[i]) + kb * static_cast<P>(sb[i]) + kc * static_cast<P>(sc[i]);
}

// The 32-bit case, where every coefficient is below 2^15 in magnitude: the
// magnitudes times the channels are 16-by-16-bit products, which the
// vectoriser turns into packed multiplies, added or taken away modulo 2^32
// (the true sum fits 32 bits, so the wrapped one equals it).
void AddTaps3Narrow(const Tap& a, const Tap& b, const Tap& c, bool negative, std::int64_t from,
                    std::int64_t to, std::uint32_t* sums) {
  const auto ka = static_cast<std::uint16_t>(negative ? -a.k : a.k);
  const auto kb = static_cast<std::uint16_t>(negative ? -b.k : b.k);
  const auto kc = static_cast<std::uint16_t>(negative ? -c.k : c.k);
  const std::uint16_t* sa = a.row + (from + a.dx) * 4;
  const std::uint16_t* sb = b.row + (from + b.dx) * 4;
  const std::uint16_t* sc = c.row + (from + c.dx) * 4;
  std::uint32_t* d = sums + from * 4;
  const auto n = static_cast<std::size_t>(to - from) * 4;
  if (negative) {
    for (std::size_t i = 0; i < n; ++i)
      d[i] -= std::uint32_t{ka} * sa[i] + std::uint32_t{kb} * sb[i] + std::uint32_t{kc} * sc[i];
  } else {
    for (std::size_t i = 0; i < n; ++i)
      d[i] += std::uint32_t{ka} * sa[i] + std::uint32_t{kb} * sb[i] + std::uint32_t{kc} * sc[i];
  }
}

// Finish for 32-bit sums, as flat lanes the vectoriser can take: the sum is
// first clamped so that adding the bias cannot leave 32 bits and gives the
// same result after the final clamp; 65535 - v is v ^ 0xFFFF on 0..65535.
// The alpha lanes are then put back from the copy.
void FinishNarrow(std::int32_t* sums, int w, int divisor, int bias, int invert, const BMM_Color_64* alpha,
                  BMM_Color_64* out) {
  const std::size_t n = static_cast<std::size_t>(w) * 4;
  if (divisor > 1)
    for (std::size_t i = 0; i < n; ++i) sums[i] /= divisor;
  const std::int32_t lo =
      bias >= 0 ? INT32_MIN
                : static_cast<std::int32_t>(std::min<std::int64_t>(-std::int64_t{bias}, INT32_MAX));
  const std::int32_t hi = bias >= 0 ? 65535 - bias : INT32_MAX;
  const std::int32_t flip = invert == 1 ? 0xFFFF : 0;
  auto* lanes = reinterpret_cast<std::uint16_t*>(out);
  for (std::size_t i = 0; i < n; ++i) {
    std::int32_t v = std::min(std::max(sums[i], lo), hi) + bias;
    v = std::min(std::max(v, 0), 65535);
    lanes[i] = static_cast<std::uint16_t>(v ^ flip);
  }
  for (int x = 0; x < w; ++x) out[x].a = alpha[x].a;
}

// One output row: every non-zero coefficient of the clipped window over the
// columns it reaches, then divided, biased, clamped and inverted per
// channel, alpha from the copy.
template <typename Sum>
void ConvolveRow(const BMM_Color_64* copy, int w, int h, int y, const std::int32_t* kernel, std::int64_t size,
                 std::int64_t half, Sum* sums, Tap* taps, int divisor, int bias, int invert,
                 BMM_Color_64* out) {
  std::fill(sums, sums + static_cast<std::size_t>(w) * 4, Sum{});
  const std::int64_t dyLo = std::max<std::int64_t>(-half, -y);
  const std::int64_t dyHi = std::min<std::int64_t>(half, h - 1 - y);
  const std::int64_t reach = std::min<std::int64_t>(half, w - 1);
  std::size_t count = 0;
  for (std::int64_t dy = dyLo; dy <= dyHi; ++dy) {
    const auto* src = reinterpret_cast<const std::uint16_t*>(copy + static_cast<std::size_t>(y + dy) * w);
    const std::int32_t* krow = kernel + static_cast<std::size_t>((dy + half) * size + half);
    for (std::int64_t dx = -reach; dx <= reach; ++dx)
      if (krow[dx] != 0) taps[count++] = Tap{krow[dx], dx, src};
  }
  // Columns every tap reaches take the taps three at a time; the border
  // columns, where the window is cut, one tap at a time.
  const std::int64_t inLo = reach;
  const std::int64_t inHi = w - reach;
  if (std::is_same_v<Sum, WideSum> || inLo >= inHi) {
    for (std::size_t t = 0; t < count; ++t) AddTap(taps[t], 0, w, w, sums);
  } else {
    std::size_t t = 0;
    if constexpr (std::is_same_v<Sum, std::int32_t>) {
      // Positive taps, then negative ones, three of a sign at a time.
      const std::size_t positives = static_cast<std::size_t>(
          std::stable_partition(taps, taps + count, [](const Tap& p) { return p.k > 0; }) - taps);
      auto* narrow = reinterpret_cast<std::uint32_t*>(sums);
      for (; t + 3 <= positives; t += 3)
        AddTaps3Narrow(taps[t], taps[t + 1], taps[t + 2], false, inLo, inHi, narrow);
      for (; t < positives; ++t) AddTap(taps[t], inLo, inHi, w, sums);
      for (; t + 3 <= count; t += 3)
        AddTaps3Narrow(taps[t], taps[t + 1], taps[t + 2], true, inLo, inHi, narrow);
    } else {
      for (; t + 3 <= count; t += 3) AddTaps3(taps[t], taps[t + 1], taps[t + 2], inLo, inHi, sums);
    }
    for (; t < count; ++t) AddTap(taps[t], inLo, inHi, w, sums);
    for (t = 0; t < count; ++t) {
      AddTap(taps[t], 0, inLo, w, sums);
      AddTap(taps[t], inHi, w, w, sums);
    }
  }
  const BMM_Color_64* alpha = copy + static_cast<std::size_t>(y) * w;
  if constexpr (std::is_same_v<Sum, std::int32_t>) {
    FinishNarrow(sums, w, divisor, bias, invert, alpha, out);
    return;
  }
  for (int x = 0; x < w; ++x) {
    const Sum* p = sums + static_cast<std::size_t>(x) * 4;
    out[x].r = Finish(Bounded(p[0]), divisor, bias, invert);
    out[x].g = Finish(Bounded(p[1]), divisor, bias, invert);
    out[x].b = Finish(Bounded(p[2]), divisor, bias, invert);
    out[x].a = alpha[x].a;
  }
}

// Two taps of the paired row: where each reads for the first pixel whose
// window is whole, and their coefficients interleaved as a 16-bit
// multiply-add takes them.
struct TapPair {
  const std::uint16_t *a, *b;
  std::int32_t k[4];
};

#if defined(__SSE2__)
// Whether a kernel can take the paired-tap row below: every coefficient the
// window reaches fits a signed 16-bit lane whole (-32768 is left out, as two
// of its products would leave 32 bits), and the bias added to any sum, with
// the shift by 32768 the packing uses, stays inside 32 bits.
bool PairedTapsFit(const std::int32_t* kernel, std::int64_t size, std::int64_t reachY, std::int64_t reachX,
                   std::uint64_t absSum, int bias) {
  const std::int64_t half = size / 2;
  for (std::int64_t dy = -reachY; dy <= reachY; ++dy)
    for (std::int64_t dx = -reachX; dx <= reachX; ++dx) {
      const std::int32_t k = kernel[static_cast<std::size_t>((dy + half) * size + (dx + half))];
      if (k < -32767 || k > 32767) return false;
    }
  const std::int64_t magnitude = static_cast<std::int64_t>(absSum) * 65535;
  const std::int64_t b = bias;
  return magnitude + (b < 0 ? -b : b) + 32768 <= INT32_MAX;
}

// One output row for kernels that PairedTapsFit. Two taps at a time, their
// channels interleaved, go through one multiply-add of signed 16-bit lanes:
// each channel is taken as c - 32768 (its top bit flipped), and 32768 times
// the row's coefficient sum is added back at the end. Sums are formed
// modulo 2^32; the true sum fits 32 bits, so the wrapped one equals it. The
// columns the window is cut at, and an odd one left over, are summed one
// pixel at a time. Divisions go through doubles: for |v| < 2^31 and d > 1
// the truncated quotient of the rounded v / d is the integer one.
void ConvolveRowPaired(const BMM_Color_64* copy, int w, int h, int y, const std::int32_t* kernel,
                       std::int64_t size, std::int64_t half, Tap* taps, TapPair* pairList, int divisor,
                       int bias, int invert, BMM_Color_64* out) {
  const std::int64_t dyLo = std::max<std::int64_t>(-half, -y);
  const std::int64_t dyHi = std::min<std::int64_t>(half, h - 1 - y);
  const std::int64_t reach = std::min<std::int64_t>(half, w - 1);
  std::size_t count = 0;
  std::int64_t kSum = 0;
  for (std::int64_t dy = dyLo; dy <= dyHi; ++dy) {
    const auto* src = reinterpret_cast<const std::uint16_t*>(copy + static_cast<std::size_t>(y + dy) * w);
    const std::int32_t* krow = kernel + static_cast<std::size_t>((dy + half) * size + half);
    for (std::int64_t dx = -reach; dx <= reach; ++dx)
      if (krow[dx] != 0) {
        taps[count++] = Tap{krow[dx], dx, src};
        kSum += krow[dx];
      }
  }
  // An odd tap out is paired with a zero one.
  if (count % 2 == 1) taps[count] = Tap{0, taps[count - 1].dx, taps[count - 1].row};
  const std::size_t pairs = (count + 1) / 2;
  const BMM_Color_64* alpha = copy + static_cast<std::size_t>(y) * w;

  // The cut columns: the clipped window, one pixel at a time.
  auto single = [&](std::int64_t x) {
    std::int64_t sum[3] = {0, 0, 0};
    for (std::size_t t = 0; t < count; ++t) {
      const std::int64_t sx = x + taps[t].dx;
      if (sx < 0 || sx >= w) continue;
      const std::uint16_t* p = taps[t].row + sx * 4;
      for (int c = 0; c < 3; ++c) sum[c] += static_cast<std::int64_t>(taps[t].k) * p[c];
    }
    out[x].r = Finish(sum[0], divisor, bias, invert);
    out[x].g = Finish(sum[1], divisor, bias, invert);
    out[x].b = Finish(sum[2], divisor, bias, invert);
    out[x].a = alpha[x].a;
  };

  const std::int64_t inLo = reach;
  const std::int64_t inHi = std::max<std::int64_t>(w - reach, inLo);
  std::int64_t x = 0;
  for (; x < inLo; ++x) single(x);
  const __m128i flip = _mm_set1_epi16(-32768);
  const __m128i back = _mm_set1_epi32(static_cast<std::int32_t>(static_cast<std::uint32_t>(kSum) * 32768u));
  const __m128i shift = _mm_set1_epi32(bias - 32768);
  // Red, green and blue lanes take the inversion; alpha comes from the copy.
  const __m128i colour = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
  const __m128i finish = _mm_xor_si128(flip, invert == 1 ? colour : _mm_setzero_si128());
  const __m128d d = _mm_set1_pd(static_cast<double>(divisor));
  auto divide = [&](__m128i v) {
    const __m128i lo = _mm_cvttpd_epi32(_mm_div_pd(_mm_cvtepi32_pd(v), d));
    const __m128i hi = _mm_cvttpd_epi32(_mm_div_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(v, 0xEE)), d));
    return _mm_unpacklo_epi64(lo, hi);
  };
  // Pairs only where a group of four whole windows exists to read them.
  const std::size_t used = inHi - inLo >= 4 ? pairs : 0;
  for (std::size_t p = 0; p < used; ++p) {
    const Tap& a = taps[2 * p];
    const Tap& b = taps[2 * p + 1];
    const auto k = static_cast<std::int32_t>((static_cast<std::uint32_t>(b.k) << 16) |
                                             (static_cast<std::uint32_t>(a.k) & 0xFFFFu));
    pairList[p] = TapPair{a.row + (inLo + a.dx) * 4, b.row + (inLo + b.dx) * 4, {k, k, k, k}};
  }
  auto load = [](const std::uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
  auto store = [&](__m128i first, __m128i second, std::int64_t at) {
    if (divisor > 1) {
      first = divide(first);
      second = divide(second);
    }
    // v + bias - 32768 saturated to 16 signed bits is v + bias clamped to
    // 0 ... 65535, less 32768: the flip puts it back.
    __m128i packed =
        _mm_xor_si128(_mm_packs_epi32(_mm_add_epi32(first, shift), _mm_add_epi32(second, shift)), finish);
    const __m128i own = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + at));
    packed = _mm_or_si128(_mm_and_si128(colour, packed), _mm_andnot_si128(colour, own));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), packed);
  };
  // Four pixels a pass: two loads of two pixels from each row of a pair.
  for (; x + 4 <= inHi; x += 4) {
    __m128i s0 = back, s1 = back, s2 = back, s3 = back;
    const std::size_t lane = static_cast<std::size_t>(x - inLo) * 4;
    for (std::size_t p = 0; p < pairs; ++p) {
      const TapPair& q = pairList[p];
      const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q.k));
      const __m128i a0 = load(q.a + lane), b0 = load(q.b + lane);
      const __m128i a1 = load(q.a + lane + 8), b1 = load(q.b + lane + 8);
      s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_xor_si128(_mm_unpacklo_epi16(a0, b0), flip), k));
      s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_xor_si128(_mm_unpackhi_epi16(a0, b0), flip), k));
      s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_xor_si128(_mm_unpacklo_epi16(a1, b1), flip), k));
      s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_xor_si128(_mm_unpackhi_epi16(a1, b1), flip), k));
    }
    store(s0, s1, x);
    store(s2, s3, x + 2);
  }
  for (; x < w; ++x) single(x);
}
#endif

template <typename Sum>
int ConvolveRows(Bitmap& bitmap, HWND window, const BMM_Color_64* copy, int w, int h,
                 const std::int32_t* kernel, int size, int divisor, int bias, int invert, bool paired,
                 BMM_Color_64* row) {
  const std::int64_t half = size / 2;
  // Taps of the largest clipped window.
  const std::int64_t reachY = std::min<std::int64_t>(half, h > 0 ? h - 1 : 0);
  const std::int64_t reachX = std::min<std::int64_t>(half, w > 0 ? w - 1 : 0);
  const auto tapCount = static_cast<std::size_t>((2 * reachY + 1) * (2 * reachX + 1));
  auto* sums = static_cast<Sum*>(platform::Allocate(static_cast<std::size_t>(w ? w : 1) * 4 * sizeof(Sum)));
  // One more for the zero tap an odd count is paired with.
  auto* taps = static_cast<Tap*>(platform::Allocate((tapCount + 1) * sizeof(Tap)));
  auto* pairList =
      static_cast<TapPair*>(platform::Allocate((paired ? tapCount / 2 + 1 : 1) * sizeof(TapPair)));
  if (!sums || !taps || !pairList) {
    std::free(sums);
    std::free(taps);
    std::free(pairList);
    return 0;
  }
  std::int32_t aborted = 0;
  int result = 1;
  for (int y = 0; y < h; ++y) {
    if (window) {
      SendMessageA(window, CANVAS_PROGRESS, static_cast<WPARAM>(y), static_cast<LPARAM>(h - 1));
      SendMessageA(window, CANVAS_QUERY_ABORT, 0, reinterpret_cast<LPARAM>(&aborted));
      if (aborted) {
        result = 0;
        break;
      }
    }
#if defined(__SSE2__)
    if (paired)
      ConvolveRowPaired(copy, w, h, y, kernel, size, half, taps, pairList, divisor, bias, invert, row);
    else
#endif
      ConvolveRow(copy, w, h, y, kernel, size, half, sums, taps, divisor, bias, invert, row);
    if (bitmap.PutPixels(0, y, w, row) != 1) {
      result = 0;
      break;
    }
  }
  std::free(pairList);
  std::free(taps);
  std::free(sums);
  return result;
}

}  // namespace

int FilterBase::Convolve(HWND window, const std::int32_t* kernel, int size, int divisor, int bias,
                         int invert) {
  Bitmap* bitmap = Source();
  if (!bitmap || !kernel || size < 1 || size % 2 == 0) return 0;
  const int w = bitmap->Width();
  const int h = bitmap->Height();
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  // Not zero-filled: every row is fetched into it, or the call ends.
  if (n > SIZE_MAX / sizeof(BMM_Color_64)) return 0;
  auto* copy = static_cast<BMM_Color_64*>(platform::Allocate((n ? n : 1) * sizeof(BMM_Color_64)));
  if (!copy) return 0;
  auto* row = static_cast<BMM_Color_64*>(platform::AllocateZeroed(w ? w : 1, sizeof(BMM_Color_64)));
  if (!row) {
    std::free(copy);
    return 0;
  }
  // Each row is fetched once: the copy is all the rows need, and every
  // channel of the row buffer is written before it goes back.
  for (int y = 0; y < h; ++y) {
    if (bitmap->FetchRow(0, y, w, copy + static_cast<std::size_t>(y) * w) != 1) {
      std::free(row);
      std::free(copy);
      return 0;
    }
  }
  // The largest sum any pixel can reach, from the coefficients the clipped
  // window can touch, picks the narrowest exact sum: 32 bits where the
  // kernel cannot leave them (the usual case, and the fastest), 64 bits for
  // every kernel of sensible size, 128 beyond.
  const std::int64_t half = size / 2;
  const std::int64_t reachY = std::min<std::int64_t>(half, h > 0 ? h - 1 : 0);
  const std::int64_t reachX = std::min<std::int64_t>(half, w > 0 ? w - 1 : 0);
  std::uint64_t absSum = 0;
  bool wide = false;
  for (std::int64_t dy = -reachY; dy <= reachY && !wide; ++dy)
    for (std::int64_t dx = -reachX; dx <= reachX; ++dx) {
      const std::int64_t k = kernel[static_cast<std::size_t>((dy + half) * size + (dx + half))];
      absSum += static_cast<std::uint64_t>(k < 0 ? -k : k);
      if (absSum > static_cast<std::uint64_t>(kSumBound) / 65535) {
        wide = true;
        break;
      }
    }
  int result = 0;
  if (wide) {
    result =
        ConvolveRows<WideSum>(*bitmap, window, copy, w, h, kernel, size, divisor, bias, invert, false, row);
  } else if (absSum * 65535 <= static_cast<std::uint64_t>(INT32_MAX)) {
    bool paired = false;
#if defined(__SSE2__)
    paired = PairedTapsFit(kernel, size, reachY, reachX, absSum, bias);
#endif
    result = ConvolveRows<std::int32_t>(*bitmap, window, copy, w, h, kernel, size, divisor, bias, invert,
                                        paired, row);
  } else {
    result = ConvolveRows<std::int64_t>(*bitmap, window, copy, w, h, kernel, size, divisor, bias, invert,
                                        false, row);
  }
  std::free(row);
  std::free(copy);
  return result;
}
