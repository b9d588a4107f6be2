#include "host/zlib_stream.h"

#include <zlib.h>

#include <algorithm>
#include <exception>
#include <new>
#include <thread>

namespace zarn::io {
namespace {

// zlib counts in uInt: larger buffers go in pieces of this size.
constexpr std::size_t kStep = std::size_t{1} << 30;
// Bands smaller than this are not worth a thread.
constexpr std::size_t kMinBand = std::size_t{1} << 20;

// zlib's checksums take uInt lengths: larger buffers go through in pieces.
std::uint32_t Checksum(uLong (*update)(uLong, const Bytef*, uInt), std::uint32_t value,
                       const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const uInt n = static_cast<uInt>(std::min(size, kStep));
    value = static_cast<std::uint32_t>(update(value, data, n));
    data += n;
    size -= n;
  }
  return value;
}

std::uint32_t Adler32(std::uint32_t adler, const std::uint8_t* data, std::size_t size) {
  return Checksum(adler32, adler, data, size);
}

// Raw deflate of one band: ends byte-aligned by a sync flush, or with the
// final block when last. Also its Adler-32, so the bands need no second pass.
struct Band {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  bool last = false;
  std::vector<std::uint8_t> out;
  std::uint32_t adler = 1;
  bool ok = false;
};

void DeflateBandOrThrow(Band& band, DeflateMode mode, int level) {
  band.adler = Adler32(1, band.data, band.size);
  z_stream z{};
  const int strategy = mode == DeflateMode::Runs ? Z_RLE : Z_DEFAULT_STRATEGY;
  if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy) != Z_OK) return;
  struct End {
    z_stream* z;
    ~End() { deflateEnd(z); }
  } end{&z};
  z.next_in = const_cast<Bytef*>(band.data);
  std::size_t left = band.size;
  std::size_t used = 0;
  int status = Z_OK;
  for (;;) {
    if (z.avail_in == 0) {
      z.avail_in = static_cast<uInt>(std::min(left, kStep));
      left -= z.avail_in;
    }
    if (used == band.out.size()) band.out.resize(band.out.size() + band.out.size() / 4 + 4096);
    z.next_out = band.out.data() + used;
    z.avail_out = static_cast<uInt>(std::min(band.out.size() - used, kStep));
    const int flush = left > 0 ? Z_NO_FLUSH : band.last ? Z_FINISH : Z_SYNC_FLUSH;
    status = deflate(&z, flush);
    used = static_cast<std::size_t>(z.next_out - band.out.data());
    if (status == Z_STREAM_END) break;
    if (status != Z_OK && status != Z_BUF_ERROR) break;
    // A sync flush is done once zlib leaves output room and takes no input.
    if (flush == Z_SYNC_FLUSH && z.avail_out > 0 && z.avail_in == 0) break;
  }
  band.out.resize(used);
  band.ok = band.last ? status == Z_STREAM_END : (status == Z_OK || status == Z_BUF_ERROR);
}

// Runs on a thread of its own: nothing may escape it.
void DeflateBand(Band& band, DeflateMode mode, int level) {
  try {
    DeflateBandOrThrow(band, mode, level);
  } catch (const std::bad_alloc&) {
    band.ok = false;
  }
}

}  // namespace

static bool CompressOrThrow(const std::uint8_t* data, std::size_t size, DeflateMode mode, int level,
                            int bands, std::vector<std::uint8_t>& out) {
  if (mode == DeflateMode::Matches && WholeLibrary()) return DeflateWhole(data, size, level, out);
  const std::size_t most = std::max<std::size_t>(1, size / kMinBand);
  const std::size_t count = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(bands, 1)), 1, most);
  std::vector<Band> parts(count);
  const std::size_t each = size / count;
  for (std::size_t i = 0; i < count; ++i) {
    parts[i].data = data + i * each;
    parts[i].size = i + 1 == count ? size - i * each : each;
    parts[i].last = i + 1 == count;
    // Room for the worst case, allocated here rather than on the band's
    // thread: a long run then keeps reusing the same memory.
    const std::size_t n = parts[i].size;
    parts[i].out.resize(n + (n >> 12) + (n >> 14) + (n >> 25) + 64);
  }
  // Bands that get no thread are deflated here, after the first.
  std::vector<std::thread> threads;
  try {
    threads.reserve(count - 1);
    for (std::size_t i = 1; i < count; ++i)
      threads.emplace_back(DeflateBand, std::ref(parts[i]), mode, level);
  } catch (const std::exception&) {
  }
  DeflateBand(parts[0], mode, level);
  for (std::size_t i = threads.size() + 1; i < count; ++i) DeflateBand(parts[i], mode, level);
  for (std::thread& t : threads) t.join();
  std::size_t total = 6;
  for (const Band& band : parts) {
    if (!band.ok) return false;
    total += band.out.size();
  }
  out.clear();
  out.reserve(total);
  // Deflate with a 32 KiB window, no dictionary; the check bits make the
  // header a multiple of 31.
  out.push_back(0x78);
  out.push_back(0x01);
  std::uint32_t adler = 1;
  for (const Band& band : parts) {
    out.insert(out.end(), band.out.begin(), band.out.end());
    adler = static_cast<std::uint32_t>(adler32_combine(adler, band.adler, static_cast<z_off_t>(band.size)));
  }
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(adler >> shift));
  return true;
}

bool ZlibCompress(const std::uint8_t* data, std::size_t size, DeflateMode mode, int level, int bands,
                  std::vector<std::uint8_t>& out) {
  try {
    return CompressOrThrow(data, size, mode, std::clamp(level, 1, 9), bands, out);
  } catch (const std::bad_alloc&) {
    out.clear();
    return false;
  }
}

bool ZlibDecompress(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize) {
  if (WholeLibrary()) return InflateWhole(data, size, out, outSize);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(data);
  z.next_out = out;
  std::size_t inLeft = size;
  std::size_t outLeft = outSize;
  std::uint8_t spare = 0;
  int status = Z_OK;
  while (status == Z_OK) {
    if (z.avail_in == 0 && inLeft > 0) {
      z.avail_in = static_cast<uInt>(std::min(inLeft, kStep));
      inLeft -= z.avail_in;
    }
    if (z.avail_out == 0) {
      z.avail_out = static_cast<uInt>(std::min(outLeft, kStep));
      outLeft -= z.avail_out;
      // Past the expected size a byte of room lets a stream too long show.
      if (z.avail_out == 0) {
        z.next_out = &spare;
        z.avail_out = 1;
      }
    }
    status = inflate(&z, Z_NO_FLUSH);
  }
  const bool whole = status == Z_STREAM_END && z.total_out == static_cast<uLong>(outSize);
  inflateEnd(&z);
  return whole;
}

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  return Checksum(crc32, crc, data, size);
}

const char* MatchesLibrary() { return WholeLibrary() ? WholeLibrary() : "zlib"; }

}  // namespace zarn::io
