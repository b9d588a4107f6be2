#include "host/exr_io.h"

#include <Iex.h>
#include <ImfChannelList.h>
#include <ImfCompression.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfInputPart.h>
#include <ImfMultiPartInputFile.h>
#include <ImfMultiPartOutputFile.h>
#include <ImfOutputFile.h>
#include <ImfOutputPart.h>
#include <ImfPartType.h>
#include <ImfThreading.h>
#include <ImfTiledInputPart.h>
#include <ImfTiledOutputFile.h>
#include <ImfTiledOutputPart.h>
#include <ImfVersion.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

namespace zarn::io {

// The headers of every part of a file, exactly as read.
struct ExrHeaders {
  std::vector<Imf::Header> parts;
  // OpenEXR gives a one-part file's header a "type" it may not have had;
  // such a file is written back without it.
  bool inventedType = false;
};

namespace {

// OpenEXR names the stream in its messages ('Cannot read image file
// "<name>". reason'); the runner names the file itself, so Reason() keeps
// only what follows.
constexpr char kStreamName[] = "<zarn>";

std::string Reason(const char* what) {
  const std::string text = what ? what : "";
  const std::string mark = std::string("\"") + kStreamName + "\". ";
  const std::size_t at = text.find(mark);
  std::string reason = at == std::string::npos ? text : text.substr(at + mark.size());
  if (reason.empty()) reason = "unreadable";
  return reason;
}

// OpenEXR reads from the bytes already in memory.
class MemoryIn final : public Imf::IStream {
 public:
  explicit MemoryIn(const std::vector<std::uint8_t>& bytes)
      : Imf::IStream(kStreamName), data_(reinterpret_cast<const char*>(bytes.data())), size_(bytes.size()) {}
  bool isMemoryMapped() const override { return true; }
  char* readMemoryMapped(int n) override {
    Need(n);
    char* at = const_cast<char*>(data_ + at_);
    at_ += static_cast<std::uint64_t>(n);
    return at;
  }
  bool read(char c[], int n) override {
    Need(n);
    std::memcpy(c, data_ + at_, static_cast<std::size_t>(n));
    at_ += static_cast<std::uint64_t>(n);
    return at_ < size_;
  }
  std::uint64_t tellg() override { return at_; }
  void seekg(std::uint64_t at) override { at_ = at; }

 private:
  void Need(int n) const {
    if (n < 0 || at_ > size_ || static_cast<std::uint64_t>(n) > size_ - at_)
      throw IEX_NAMESPACE::InputExc("the file ends early");
  }
  const char* data_;
  std::uint64_t size_;
  std::uint64_t at_ = 0;
};

// And writes into a byte vector; the offset tables are written last, after
// a seek back, so writes may land anywhere.
class MemoryOut final : public Imf::OStream {
 public:
  explicit MemoryOut(std::vector<std::uint8_t>& bytes) : Imf::OStream(kStreamName), bytes_(bytes) {}
  void write(const char c[], int n) override {
    const std::uint64_t end = at_ + static_cast<std::uint64_t>(n);
    if (end > bytes_.size()) bytes_.resize(end);
    std::memcpy(bytes_.data() + at_, c, static_cast<std::size_t>(n));
    at_ = end;
  }
  std::uint64_t tellp() override { return at_; }
  void seekp(std::uint64_t at) override { at_ = at; }

 private:
  std::vector<std::uint8_t>& bytes_;
  std::uint64_t at_ = 0;
};

// Chunks are compressed and decompressed on every core, by OpenEXR's own pool.
void StartThreads() {
  static std::once_flag once;
  std::call_once(once, [] {
    const unsigned cores = std::thread::hardware_concurrency();
    Imf::setGlobalThreadCount(static_cast<int>(std::clamp(cores, 1u, 64u)));
  });
}

constexpr int kMaxSide = 65535;

bool IsTiled(const Imf::Header& header) {
  return header.hasType() ? header.type() == Imf::TILEDIMAGE : header.hasTileDescription();
}

// One level of a part becomes an image: its channels, and a bitmap of the
// colours, depth and id they hold.
bool FillImage(Image& image, int width, int height, std::vector<ExrChannel> channels, std::string& error) {
  bool depth = false;
  bool id = false;
  for (const ExrChannel& c : channels) {
    Role role;
    if (RoleOf(c.name, role)) {
      depth = depth || role == Role::Depth;
      id = id || role == Role::Id;
    }
  }
  std::uint32_t extra = 0;
  if (depth) extra |= BMM_CHAN_FLOAT;
  if (id) extra |= BMM_CHAN_U16;
  if (!Allocate(image, width, height, extra, error)) return false;
  image.type = FileType::Exr;
  image.exr = std::move(channels);
  const std::size_t n = static_cast<std::size_t>(width) * height;
  BMM_Color_64* pixels = image.storage->Pixels();
  for (std::size_t i = 0; i < n; ++i) pixels[i] = {0, 0, 0, 65535};
  for (const ExrChannel& channel : image.exr) {
    Role role;
    if (!RoleOf(channel.name, role)) continue;
    for (std::size_t i = 0; i < n; ++i) {
      const float fv = channel.u.empty() ? channel.f[i] : static_cast<float>(channel.u[i]);
      switch (role) {
        case Role::Red:
          pixels[i].r = ToU16(fv);
          break;
        case Role::Green:
          pixels[i].g = ToU16(fv);
          break;
        case Role::Blue:
          pixels[i].b = ToU16(fv);
          break;
        case Role::Alpha:
          pixels[i].a = ToU16(fv);
          break;
        case Role::Depth:
          image.storage->FloatChannel()[i] = fv;
          break;
        case Role::Id: {
          const std::uint32_t v = channel.u.empty()
                                      ? (std::isfinite(fv) && fv > 0.0f
                                             ? (fv >= 65535.0f ? 65535u : static_cast<std::uint32_t>(fv))
                                             : 0u)
                                      : std::min<std::uint32_t>(channel.u[i], 65535u);
          image.storage->U16Channel()[i] = static_cast<std::uint16_t>(v);
          break;
        }
      }
    }
  }
  return true;
}

// Slices over the channels' own arrays for a window of the given size.
// Half channels are held as float: every half value converts exactly and
// back, so nothing is lost on the way through.
Imf::FrameBuffer Slices(std::vector<ExrChannel>& channels, const Imath::Box2i& window) {
  const std::size_t width = static_cast<std::size_t>(window.max.x - window.min.x + 1);
  Imf::FrameBuffer buffer;
  for (ExrChannel& c : channels) {
    if (c.pixelType == kPixelUint) {
      buffer.insert(c.name, Imf::Slice::Make(Imf::UINT, c.u.data(), window, sizeof(std::uint32_t),
                                             sizeof(std::uint32_t) * width));
    } else {
      buffer.insert(c.name,
                    Imf::Slice::Make(Imf::FLOAT, c.f.data(), window, sizeof(float), sizeof(float) * width));
    }
  }
  return buffer;
}

// Slices for writing: OpenEXR writes each channel from a buffer of its own
// type, so half channels are rounded to half here (exactly, for values read
// as half).
Imf::FrameBuffer OutSlices(std::vector<ExrChannel>& channels, const Imath::Box2i& window,
                           std::vector<std::vector<Imath::half>>& halves) {
  const std::size_t width = static_cast<std::size_t>(window.max.x - window.min.x + 1);
  const std::size_t n = width * static_cast<std::size_t>(window.max.y - window.min.y + 1);
  Imf::FrameBuffer buffer;
  halves.clear();
  halves.reserve(channels.size());
  for (ExrChannel& c : channels) {
    if ((c.pixelType == kPixelUint ? c.u.size() : c.f.size()) != n)
      throw IEX_NAMESPACE::ArgExc("channel \"" + c.name + "\" does not cover the image");
    if (c.pixelType == kPixelUint) {
      buffer.insert(c.name, Imf::Slice::Make(Imf::UINT, c.u.data(), window, sizeof(std::uint32_t),
                                             sizeof(std::uint32_t) * width));
    } else if (c.pixelType == kPixelHalf) {
      std::vector<Imath::half>& h = halves.emplace_back(n);
      for (std::size_t i = 0; i < n; ++i) h[i] = Imath::half(c.f[i]);
      buffer.insert(c.name, Imf::Slice::Make(Imf::HALF, h.data(), window, sizeof(Imath::half),
                                             sizeof(Imath::half) * width));
    } else {
      buffer.insert(c.name,
                    Imf::Slice::Make(Imf::FLOAT, c.f.data(), window, sizeof(float), sizeof(float) * width));
    }
  }
  return buffer;
}

// The channels of a header, with storage for a window of n pixels; false
// with a reason for channels zarn cannot move with their pixel.
bool ChannelsOf(const Imf::Header& header, std::size_t n, std::vector<ExrChannel>& channels,
                std::string& error) {
  channels.clear();
  for (auto it = header.channels().begin(); it != header.channels().end(); ++it) {
    const Imf::Channel& info = it.channel();
    if (info.xSampling != 1 || info.ySampling != 1) {
      error = "unsupported OpenEXR layout (channel '" + std::string(it.name()) + "' is subsampled " +
              std::to_string(info.xSampling) + "x" + std::to_string(info.ySampling) +
              "); zarn moves channels with one sample per pixel";
      return false;
    }
    ExrChannel c;
    c.name = it.name();
    c.pixelType = static_cast<int>(info.type);
    if (c.pixelType == kPixelUint)
      ResizeFrameBuffer(c.u, n);
    else
      ResizeFrameBuffer(c.f, n);
    channels.push_back(std::move(c));
  }
  return true;
}

bool CheckWindow(const Imath::Box2i& window, std::string& error) {
  const long long w = static_cast<long long>(window.max.x) - window.min.x + 1;
  const long long h = static_cast<long long>(window.max.y) - window.min.y + 1;
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) {
    error = "unsupported OpenEXR size (" + std::to_string(w) + "x" + std::to_string(h) +
            "); zarn reads 1 to 65535 pixels each way";
    return false;
  }
  return true;
}

// Reads one part: every level of a tiled part, the one image of a scan-line
// part. Level (0, 0) of part 0 is the frame itself; everything else
// follows it as a layer.
bool ReadPart(Imf::MultiPartInputFile& file, int part, Image& frame, std::string& error) {
  const Imf::Header& header = file.header(part);
  if (header.hasType() && Imf::isDeepData(header.type())) {
    error = "unsupported OpenEXR layout (part " + std::to_string(part) +
            " holds deep data); zarn reads flat images";
    return false;
  }
  struct Level {
    int x;
    int y;
    Imath::Box2i window;
  };
  std::vector<Level> levels;
  if (IsTiled(header)) {
    Imf::TiledInputPart tiled(file, part);
    for (int ly = 0; ly < tiled.numYLevels(); ++ly)
      for (int lx = 0; lx < tiled.numXLevels(); ++lx)
        if (tiled.isValidLevel(lx, ly)) levels.push_back({lx, ly, tiled.dataWindowForLevel(lx, ly)});
  } else {
    levels.push_back({0, 0, header.dataWindow()});
  }
  for (const Level& level : levels) {
    if (!CheckWindow(level.window, error)) return false;
    const int width = level.window.max.x - level.window.min.x + 1;
    const int height = level.window.max.y - level.window.min.y + 1;
    std::vector<ExrChannel> channels;
    if (!ChannelsOf(header, static_cast<std::size_t>(width) * height, channels, error)) return false;
    Imf::FrameBuffer buffer = Slices(channels, level.window);
    if (IsTiled(header)) {
      Imf::TiledInputPart tiled(file, part);
      tiled.setFrameBuffer(buffer);
      tiled.readTiles(0, tiled.numXTiles(level.x) - 1, 0, tiled.numYTiles(level.y) - 1, level.x, level.y);
    } else {
      Imf::InputPart scan(file, part);
      scan.setFrameBuffer(buffer);
      scan.readPixels(level.window.min.y, level.window.max.y);
    }
    const bool main = part == 0 && level.x == 0 && level.y == 0;
    Image layer;
    Image& target = main ? frame : layer;
    if (!FillImage(target, width, height, std::move(channels), error)) return false;
    target.exrPart = part;
    target.exrLevel[0] = level.x;
    target.exrLevel[1] = level.y;
    if (!main) frame.exrLayers.push_back(std::move(layer));
  }
  return true;
}

// A header for an image made in code (or from a PNG): its windows, pixel
// aspect and compression.
Imf::Header NewHeader(const Image& image) {
  const bool fromExr = image.type == FileType::Exr;
  Imath::Box2i data(Imath::V2i(0, 0), Imath::V2i(image.width - 1, image.height - 1));
  Imath::Box2i display = data;
  float aspect = 1.0f;
  int compression = Imf::ZIP_COMPRESSION;
  if (fromExr) {
    data = Imath::Box2i(
        Imath::V2i(image.dataWindow[0], image.dataWindow[1]),
        Imath::V2i(image.dataWindow[0] + image.width - 1, image.dataWindow[1] + image.height - 1));
    display = Imath::Box2i(Imath::V2i(image.displayWindow[0], image.displayWindow[1]),
                           Imath::V2i(image.displayWindow[2], image.displayWindow[3]));
    if (display.isEmpty()) display = data;
    if (std::isfinite(image.pixelAspect) && image.pixelAspect > 0.0f) aspect = image.pixelAspect;
    if (image.exrCompression >= 0 && image.exrCompression < Imf::NUM_COMPRESSION_METHODS)
      compression = image.exrCompression;
  }
  return Imf::Header(display, data, aspect, Imath::V2f(0, 0), 1, Imf::INCREASING_Y,
                     static_cast<Imf::Compression>(compression));
}

// The header a layer is written with: the one read, with the channel list
// of the channels it holds now (each keeping its stored description).
Imf::Header HeaderFor(const Image& image, const ExrHeaders* read) {
  Imf::Header header =
      read && image.exrPart >= 0 && static_cast<std::size_t>(image.exrPart) < read->parts.size()
          ? read->parts[static_cast<std::size_t>(image.exrPart)]
          : NewHeader(image);
  const Imf::ChannelList before = header.channels();
  Imf::ChannelList now;
  for (const ExrChannel& c : image.exr) {
    const Imf::Channel* old = before.findChannel(c.name);
    now.insert(c.name, old && static_cast<int>(old->type) == c.pixelType
                           ? *old
                           : Imf::Channel(static_cast<Imf::PixelType>(c.pixelType)));
  }
  header.channels() = now;
  return header;
}

// Writes one level of a tiled file or part.
template <typename Tiled>
void WriteTiles(Tiled& out, Image& level) {
  const int lx = level.exrLevel[0];
  const int ly = level.exrLevel[1];
  if (!out.isValidLevel(lx, ly)) throw IEX_NAMESPACE::ArgExc("a level the file does not have");
  const Imath::Box2i window = out.dataWindowForLevel(lx, ly);
  if (window.max.x - window.min.x + 1 != level.width || window.max.y - window.min.y + 1 != level.height)
    throw IEX_NAMESPACE::ArgExc("a level changed size");
  std::vector<std::vector<Imath::half>> halves;
  out.setFrameBuffer(OutSlices(level.exr, window, halves));
  out.writeTiles(0, out.numXTiles(lx) - 1, 0, out.numYTiles(ly) - 1, lx, ly);
}

// Writes the image of a scan-line file or part.
template <typename Scan>
void WriteLines(Scan& out, const Imf::Header& header, Image& image) {
  const Imath::Box2i& window = header.dataWindow();
  if (window.max.x - window.min.x + 1 != image.width || window.max.y - window.min.y + 1 != image.height)
    throw IEX_NAMESPACE::ArgExc("the image changed size");
  std::vector<std::vector<Imath::half>> halves;
  out.setFrameBuffer(OutSlices(image.exr, window, halves));
  out.writePixels(image.height);
}

// A copy of the header without the named attribute. (Built anew rather
// than through Header::erase, which leaks the attribute in this OpenEXR.)
Imf::Header Without(const Imf::Header& header, const char* name) {
  Imf::Header copy;
  for (auto it = header.begin(); it != header.end(); ++it)
    if (std::strcmp(it.name(), name) != 0) copy.insert(it.name(), it.attribute());
  return copy;
}

// Walks a one-part file's header for an attribute of that name.
bool HasAttribute(const std::vector<std::uint8_t>& bytes, const std::string& wanted) {
  std::size_t at = 8;  // after the magic number and version
  while (at < bytes.size()) {
    const auto nameEnd = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(), 0);
    if (nameEnd == bytes.end()) return false;
    const std::string name(bytes.begin() + static_cast<std::ptrdiff_t>(at), nameEnd);
    if (name.empty()) return false;
    if (name == wanted) return true;
    const auto typeEnd = std::find(nameEnd + 1, bytes.end(), 0);
    if (typeEnd == bytes.end()) return false;
    const auto value = static_cast<std::size_t>(typeEnd - bytes.begin()) + 1;
    if (value + 4 > bytes.size()) return false;
    const std::uint32_t size = bytes[value] | bytes[value + 1] << 8 | bytes[value + 2] << 16 |
                               static_cast<std::uint32_t>(bytes[value + 3]) << 24;
    if (size > bytes.size() - value - 4) return false;
    at = value + 4 + size;
  }
  return false;
}

// ---- The headers as OpenEXR will read them, walked before it does ----------
//
// OpenEXR sizes an attribute's value from the size the file claims before
// reading it, and its tile buffers from the tile description before reading
// a tile, so a few hundred bytes can ask for gigabytes. The walk refuses such
// claims; anything else it does not understand is left to OpenEXR to refuse.

constexpr std::uint32_t kMultiPartFlag = 0x1000;
// OpenEXR reads attribute and type names of up to 255 characters.
constexpr std::size_t kMaxNameBytes = 256;
// Tiles may be larger than the picture (tools write 64 x 64 tiles for
// pictures of a few pixels), but not larger than this unless the picture is.
constexpr std::uint64_t kMostTilePixels = std::uint64_t{1} << 20;

std::uint32_t Little32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A name ending in a zero byte at `at`; false when there is none in reach.
bool ReadName(const std::vector<std::uint8_t>& bytes, std::size_t& at, std::string& name) {
  const std::size_t reach = std::min(bytes.size(), at + kMaxNameBytes);
  const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(at);
  const auto end = std::find(begin, bytes.begin() + static_cast<std::ptrdiff_t>(reach), 0);
  if (end == bytes.begin() + static_cast<std::ptrdiff_t>(reach)) return false;
  name.assign(begin, end);
  at = static_cast<std::size_t>(end - bytes.begin()) + 1;
  return true;
}

// OpenEXR reads a value of these types whole whatever size the file gives
// it; other known types and unknown ones are read by that size, after
// making room for it.
std::size_t FixedValueSize(const std::string& type) {
  static const std::pair<const char*, std::size_t> kSizes[] = {{"box2f", 16},
                                                               {"box2i", 16},
                                                               {"chromaticities", 32},
                                                               {"compression", 1},
                                                               {"deepImageState", 1},
                                                               {"double", 8},
                                                               {"envmap", 1},
                                                               {"float", 4},
                                                               {"int", 4},
                                                               {"keycode", 28},
                                                               {"lineOrder", 1},
                                                               {"m33d", 72},
                                                               {"m33f", 36},
                                                               {"m44d", 128},
                                                               {"m44f", 64},
                                                               {"rational", 8},
                                                               {"tiledesc", 9},
                                                               {"timecode", 8},
                                                               {"v2d", 16},
                                                               {"v2f", 8},
                                                               {"v2i", 8},
                                                               {"v3d", 24},
                                                               {"v3f", 12},
                                                               {"v3i", 12}};
  for (const auto& [name, size] : kSizes)
    if (type == name) return size;
  return 0;
}

// What one header says about the part's size. OpenEXR gives a header
// without a data window its default one, 64 x 64.
struct PartClaim {
  long long width = 64;
  long long height = 64;
  bool hasTiles = false;
  std::uint32_t tileWidth = 0;
  std::uint32_t tileHeight = 0;
  int levelMode = 0;     // 0 one level, 1 MIP-map, 2 RIP-map
  int roundingMode = 0;  // 0 down, 1 up
};

// The sizes of the levels of one side, as OpenEXR rounds them.
std::vector<long long> LevelSides(long long side, int levelMode, int roundingMode) {
  std::vector<long long> sides{side};
  if (levelMode != 1 && levelMode != 2) return sides;
  for (int level = 1; level < 32 && sides.back() > 1; ++level) {
    const long long scale = 1ll << level;
    sides.push_back(std::max(1ll, roundingMode == 1 ? (side + scale - 1) / scale : side / scale));
  }
  return sides;
}

// Pixels of every level of a part.
std::uint64_t PartPixels(const PartClaim& part) {
  const auto w = static_cast<std::uint64_t>(part.width);
  const auto h = static_cast<std::uint64_t>(part.height);
  if (!part.hasTiles || (part.levelMode != 1 && part.levelMode != 2)) return w * h;
  const std::vector<long long> xs = LevelSides(part.width, part.levelMode, part.roundingMode);
  const std::vector<long long> ys = LevelSides(part.height, part.levelMode, part.roundingMode);
  std::uint64_t pixels = 0;
  if (part.levelMode == 1) {
    // MIP levels halve both sides together, as many as the longer side has.
    for (std::size_t l = 0; l < std::max(xs.size(), ys.size()); ++l)
      pixels += static_cast<std::uint64_t>(xs[std::min(l, xs.size() - 1)]) *
                static_cast<std::uint64_t>(ys[std::min(l, ys.size() - 1)]);
  } else {
    std::uint64_t across = 0, down = 0;
    for (long long x : xs) across += static_cast<std::uint64_t>(x);
    for (long long y : ys) down += static_cast<std::uint64_t>(y);
    pixels = across * down;
  }
  return pixels;
}

std::string Size(long long w, long long h) { return std::to_string(w) + "x" + std::to_string(h); }

bool CheckHeaders(const std::vector<std::uint8_t>& bytes, const ReadLimits& limits, std::string& error) {
  if (bytes.size() < 8) return true;
  const bool multiPart = (Little32(&bytes[4]) & kMultiPartFlag) != 0;
  std::vector<PartClaim> parts;
  std::size_t at = 8;
  for (;;) {
    PartClaim part;
    int attributes = 0;
    for (;;) {
      std::string name, type;
      if (!ReadName(bytes, at, name)) return true;
      if (name.empty()) break;
      ++attributes;
      if (!ReadName(bytes, at, type) || bytes.size() - at < 4) return true;
      const auto claimed = static_cast<std::int32_t>(Little32(&bytes[at]));
      at += 4;
      if (claimed < 0) return true;
      const std::size_t left = bytes.size() - at;
      if (type == "chlist") {
        // Channels up to an empty name, whatever size the file gives.
        std::string channel;
        while (ReadName(bytes, at, channel) && !channel.empty()) {
          if (bytes.size() - at < 16) return true;
          at += 16;
        }
        if (!channel.empty()) return true;
        continue;
      }
      std::size_t size = FixedValueSize(type);
      if (size == 0) size = static_cast<std::size_t>(claimed);
      if (size > left) {
        if (FixedValueSize(type) != 0) return true;  // the file ends early: OpenEXR says so
        error = "corrupt OpenEXR (the header's '" + name + "' attribute claims " + std::to_string(size) +
                " bytes, and " + std::to_string(left) + " follow)";
        return false;
      }
      const std::uint8_t* value = &bytes[at];
      if (name == "dataWindow" && type == "box2i") {
        part.width = static_cast<long long>(static_cast<std::int32_t>(Little32(value + 8))) -
                     static_cast<std::int32_t>(Little32(value)) + 1;
        part.height = static_cast<long long>(static_cast<std::int32_t>(Little32(value + 12))) -
                      static_cast<std::int32_t>(Little32(value + 4)) + 1;
      } else if (name == "tiles" && type == "tiledesc") {
        part.hasTiles = true;
        part.tileWidth = Little32(value);
        part.tileHeight = Little32(value + 4);
        part.levelMode = value[8] & 0x0F;
        part.roundingMode = value[8] >> 4;
      }
      at += size;
    }
    // A multi-part file's list of headers ends with an empty one.
    if (attributes == 0 && multiPart) break;
    parts.push_back(part);
    if (!multiPart) break;
  }

  std::uint64_t pixels = 0;
  const PartClaim* first = nullptr;
  for (const PartClaim& part : parts) {
    if (part.width <= 0 || part.height <= 0) continue;  // OpenEXR's to refuse
    if (!first) first = &part;
    if (part.width > kMaxSide || part.height > kMaxSide) {
      error = "unsupported OpenEXR size (" + Size(part.width, part.height) +
              "); zarn reads 1 to 65535 pixels each way";
      return false;
    }
    const std::uint64_t tile = static_cast<std::uint64_t>(part.tileWidth) * part.tileHeight;
    const std::uint64_t picture =
        static_cast<std::uint64_t>(part.width) * static_cast<std::uint64_t>(part.height);
    if (part.hasTiles && tile > std::max(picture, kMostTilePixels)) {
      error = "corrupt OpenEXR (tiles of " + Size(part.tileWidth, part.tileHeight) + " pixels for a " +
              Size(part.width, part.height) + " picture)";
      return false;
    }
    pixels += PartPixels(part);
  }
  if (first && pixels > limits.maxPixels) {
    const std::uint64_t own =
        static_cast<std::uint64_t>(first->width) * static_cast<std::uint64_t>(first->height);
    std::string claim = "the header claims " + Size(first->width, first->height) + " pixels";
    if (pixels != own) claim += " and more in other parts and levels, " + std::to_string(pixels) + " in all";
    error = OverPixelLimit(claim, limits.maxPixels);
    return false;
  }
  return true;
}

}  // namespace

bool DecodeExr(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error,
               const ReadLimits& limits) {
  StartThreads();
  if (!CheckHeaders(bytes, limits, error)) return false;
  try {
    MemoryIn stream(bytes);
    Imf::MultiPartInputFile file(stream, Imf::globalThreadCount());
    auto headers = std::make_shared<ExrHeaders>();
    for (int part = 0; part < file.parts(); ++part) headers->parts.push_back(file.header(part));
    headers->inventedType = !Imf::isMultiPart(file.version()) && !HasAttribute(bytes, "type");
    image.exrLayers.clear();
    for (int part = 0; part < file.parts(); ++part)
      if (!ReadPart(file, part, image, error)) return false;
    const Imf::Header& first = headers->parts.front();
    image.exrCompression = static_cast<int>(first.compression());
    const Imath::Box2i& data = first.dataWindow();
    const Imath::Box2i& display = first.displayWindow();
    const int windows[8] = {data.min.x,    data.min.y,    data.max.x,    data.max.y,
                            display.min.x, display.min.y, display.max.x, display.max.y};
    std::copy(windows, windows + 4, image.dataWindow);
    std::copy(windows + 4, windows + 8, image.displayWindow);
    image.pixelAspect = first.pixelAspectRatio();
    image.exrHeaders = std::move(headers);
    return true;
  } catch (const std::bad_alloc&) {
    // Short of memory is the machine's state, not the file's.
    error = "not enough memory to read this OpenEXR";
    return false;
  } catch (const std::exception& e) {
    error = "corrupt OpenEXR (" + Reason(e.what()) + ")";
    return false;
  }
}

bool EncodeExr(const Image& image, std::vector<std::uint8_t>& bytes, std::string& error) {
  StartThreads();
  // From a PNG, or from an image without channels: half R, G, B, and A
  // when there was alpha.
  Image built;
  const Image* source = &image;
  if (image.type != FileType::Exr || image.exr.empty()) {
    const bool alpha = image.type != FileType::Png || image.pngChannels == 2 || image.pngChannels == 4;
    built.type = image.type;
    built.exrCompression = image.exrCompression;
    std::copy(image.dataWindow, image.dataWindow + 4, built.dataWindow);
    std::copy(image.displayWindow, image.displayWindow + 4, built.displayWindow);
    built.pixelAspect = image.pixelAspect;
    built.width = image.width;
    built.height = image.height;
    built.storage = image.storage;
    for (const char* name : {"R", "G", "B", "A"}) {
      if (!alpha && name[0] == 'A') continue;
      ExrChannel c;
      c.name = name;
      c.pixelType = kPixelHalf;
      built.exr.push_back(std::move(c));
    }
    SyncFromBitmap(built);
    source = &built;
  }
  const ExrHeaders* read = image.type == FileType::Exr ? image.exrHeaders.get() : nullptr;
  try {
    // Every layer in file order: part by part, each part's levels in the
    // order they were read.
    std::vector<const Image*> layers{source};
    for (const Image& layer : image.exrLayers) layers.push_back(&layer);
    std::vector<Imf::Header> headers;
    std::vector<int> partOf;
    for (const Image* layer : layers) {
      const int part = read ? layer->exrPart : 0;
      if (part == static_cast<int>(headers.size())) headers.push_back(HeaderFor(*layer, read));
      partOf.push_back(static_cast<int>(headers.size()) - 1);
    }
    // Room for the samples uncompressed up front: growing by doubling would
    // copy the file again and again as OpenEXR writes it.
    std::size_t room = 65536;
    for (const Image* layer : layers)
      for (const ExrChannel& c : layer->exr)
        room += static_cast<std::size_t>(layer->width) * static_cast<std::size_t>(layer->height) *
                (c.pixelType == kPixelHalf ? 2 : 4);
    bytes.clear();
    bytes.reserve(room);
    MemoryOut stream(bytes);
    const int threads = Imf::globalThreadCount();
    if (headers.size() == 1) {
      if (read && read->inventedType) headers[0] = Without(headers[0], "type");
      // A one-part file with a tile description is marked tiled, so a
      // scan-line part read with a stray one is written without it.
      if (!IsTiled(headers[0]) && headers[0].hasTileDescription()) headers[0] = Without(headers[0], "tiles");
      Imf::Header& header = headers[0];
      if (IsTiled(header)) {
        // One writer for every level of the file.
        Imf::TiledOutputFile out(stream, header, threads);
        for (const Image* layer : layers) WriteTiles(out, const_cast<Image&>(*layer));
      } else {
        Imf::OutputFile out(stream, header, threads);
        WriteLines(out, header, const_cast<Image&>(*layers.front()));
      }
    } else {
      Imf::MultiPartOutputFile file(stream, headers.data(), static_cast<int>(headers.size()), false, threads);
      for (std::size_t i = 0; i < layers.size(); ++i) {
        const int part = partOf[i];
        const Imf::Header& header = headers[static_cast<std::size_t>(part)];
        if (IsTiled(header)) {
          Imf::TiledOutputPart out(file, part);
          WriteTiles(out, const_cast<Image&>(*layers[i]));
        } else {
          Imf::OutputPart out(file, part);
          WriteLines(out, header, const_cast<Image&>(*layers[i]));
        }
      }
    }
  } catch (const std::bad_alloc&) {
    bytes.clear();
    error = "cannot encode OpenEXR (not enough memory)";
    return false;
  } catch (const std::exception& e) {
    bytes.clear();
    // The bytes go to memory, so OpenEXR's "File output failed." (its string
    // streams failing to grow) can only mean memory ran short.
    const std::string reason = Reason(e.what());
    error = "cannot encode OpenEXR (" + (reason == "File output failed." ? "not enough memory" : reason) + ")";
    return false;
  }
  return true;
}

}  // namespace zarn::io
