#include "host/image_io.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "host/exr_io.h"
#include "host/png_io.h"

namespace zarn::io {
namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint8_t kExrMagic[4] = {0x76, 0x2F, 0x31, 0x01};

}  // namespace

ExrChannel* Image::Channel(Role role) {
  for (ExrChannel& c : exr) {
    Role r;
    if (RoleOf(c.name, r) && r == role) return &c;
  }
  return nullptr;
}

const ExrChannel* Image::Channel(Role role) const { return const_cast<Image*>(this)->Channel(role); }

bool RoleOf(const std::string& name, Role& role) {
  if (name == "R") role = Role::Red;
  else if (name == "G") role = Role::Green;
  else if (name == "B") role = Role::Blue;
  else if (name == "A") role = Role::Alpha;
  else if (name == "Z") role = Role::Depth;
  else if (name == "id" || name == "objectId") role = Role::Id;
  else return false;
  return true;
}

bool TypeFromName(const std::string& path, FileType& type) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = path.substr(dot + 1);
  for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (ext == "png") type = FileType::Png;
  else if (ext == "exr") type = FileType::Exr;
  else return false;
  return true;
}

std::uint16_t ToU16(float v) {
  if (!(v > 0.0f)) return 0;  // NaN and negatives
  if (v >= 1.0f) return 65535;
  return static_cast<std::uint16_t>(v * 65535.0f + 0.5f);
}

bool Allocate(Image& image, int width, int height, std::uint32_t channels, std::string& error) {
  auto storage = MemoryStorage::Create(width, height, channels);
  std::unique_ptr<Bitmap> bitmap;
  if (storage) {
    // Callers hold C libraries' state across this call: answer, never throw.
    try {
      bitmap = std::make_unique<Bitmap>(std::move(storage));
    } catch (const std::bad_alloc&) {
    }
  }
  if (!bitmap) {
    error = "not enough memory for a " + std::to_string(width) + "x" + std::to_string(height) + " image";
    return false;
  }
  image.width = width;
  image.height = height;
  image.storage = static_cast<MemoryStorage*>(bitmap->Storage());
  image.bitmap = std::move(bitmap);
  return true;
}

void SyncFromBitmap(Image& image) {
  const std::size_t n = static_cast<std::size_t>(image.width) * image.height;
  const BMM_Color_64* pixels = image.storage->Pixels();
  for (ExrChannel& channel : image.exr) {
    Role role;
    if (!RoleOf(channel.name, role)) continue;
    const bool isUint = channel.pixelType == kPixelUint;
    if (isUint) channel.u.resize(n);
    else channel.f.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      float v = 0.0f;
      switch (role) {
        case Role::Red: v = pixels[i].r / 65535.0f; break;
        case Role::Green: v = pixels[i].g / 65535.0f; break;
        case Role::Blue: v = pixels[i].b / 65535.0f; break;
        case Role::Alpha: v = pixels[i].a / 65535.0f; break;
        case Role::Depth: v = image.storage->FloatChannel() ? image.storage->FloatChannel()[i] : 0.0f; break;
        case Role::Id: v = image.storage->U16Channel() ? image.storage->U16Channel()[i] : 0.0f; break;
      }
      if (isUint) {
        channel.u[i] = role == Role::Id && image.storage->U16Channel()
                           ? image.storage->U16Channel()[i]
                           : static_cast<std::uint32_t>(ToU16(v));
      } else {
        channel.f[i] = v;
      }
    }
  }
}

namespace {

// values[i] = values[from[i]], through one new array (no copy of the old).
template <typename T>
void Gather(std::vector<T>& values, const std::vector<std::uint32_t>& from) {
  if (values.size() != from.size()) return;
  std::vector<T> moved(values.size());
  for (std::size_t i = 0; i < from.size(); ++i) moved[i] = values[from[i]];
  values.swap(moved);
}

}  // namespace

void PermuteChannels(Image& image, const std::vector<std::uint32_t>& from) {
  for (ExrChannel& channel : image.exr) {
    Gather(channel.u, from);
    Gather(channel.f, from);
  }
  if (float* depth = image.storage->FloatChannel()) {
    const std::vector<float> in(depth, depth + from.size());
    for (std::size_t i = 0; i < from.size(); ++i) depth[i] = in[from[i]];
  }
  if (std::uint16_t* id = image.storage->U16Channel()) {
    const std::vector<std::uint16_t> in(id, id + from.size());
    for (std::size_t i = 0; i < from.size(); ++i) id[i] = in[from[i]];
  }
  if (std::uint8_t* bytes = image.storage->ByteChannel()) {
    const std::vector<std::uint8_t> in(bytes, bytes + from.size());
    for (std::size_t i = 0; i < from.size(); ++i) bytes[i] = in[from[i]];
  }
}

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    error = errno == ENOENT ? "no such file" : std::strerror(errno);
    return false;
  }
  bytes.clear();
  // Straight into a vector of the file's size; whatever follows (a file
  // that grew, or one whose size is unknown) after it.
  std::error_code ec;
  const std::uintmax_t expected = std::filesystem::file_size(path, ec);
  const std::size_t size =
      ec ? 0 : static_cast<std::size_t>(std::min<std::uintmax_t>(expected, std::uintmax_t{1} << 30));
  try {
    ResizeFrameBuffer(bytes, size);
    bytes.resize(size ? std::fread(bytes.data(), 1, size, file) : 0);
    if (bytes.size() == size) {
      std::uint8_t buffer[65536];
      std::size_t n;
      while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
  } catch (const std::bad_alloc&) {
    std::fclose(file);
    bytes.clear();
    error = "not enough memory to read the file";
    return false;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    error = "read error";
    return false;
  }
  return true;
}

std::string OverPixelLimit(const std::string& claim, std::uint64_t limit) {
  return claim + ", more than the limit of " + std::to_string(limit) +
         " pixels a frame (--max-pixels N raises it)";
}

bool Decode(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error,
            const ReadLimits& limits) {
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0)
    return DecodePng(bytes, image, error, limits);
  if (bytes.size() >= 4 && std::memcmp(bytes.data(), kExrMagic, 4) == 0)
    return DecodeExr(bytes, image, error, limits);
  error = bytes.empty() ? "empty file" : "not a PNG or OpenEXR image";
  return false;
}

bool Read(const std::string& path, Image& image, std::string& error, const ReadLimits& limits) {
  std::vector<std::uint8_t> bytes;
  return ReadFile(path, bytes, error) && Decode(bytes, image, error, limits);
}

bool Encode(const Image& image, FileType type, std::vector<std::uint8_t>& bytes, std::string& error) {
  if (!image.storage) {
    error = "no image";
    return false;
  }
  return type == FileType::Png ? EncodePng(image, bytes, error) : EncodeExr(image, bytes, error);
}

}  // namespace zarn::io
