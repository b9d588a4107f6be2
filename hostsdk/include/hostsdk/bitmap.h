// Host bitmaps. A Bitmap answers its size, rows and extra channels through
// its storage; a bitmap without storage answers 0 or null to all of them.
// Storage is the host's: its virtual calls run in the host's own code even
// when a plug-in makes them, so pixel memory never crosses a module boundary.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "hostsdk/color.h"
#include "hostsdk/geometry.h"

// Type bits of the extra per-pixel channels.
enum : std::uint32_t {
  BMM_CHAN_FLOAT = 1,  // one 32-bit float per pixel (depth)
  BMM_CHAN_BYTE = 2,   // one byte per pixel
  BMM_CHAN_U16 = 4,    // one unsigned 16-bit value per pixel (object id)
};

class BitmapInfo {
 public:
  BitmapInfo() = default;
  BitmapInfo(std::uint16_t width, std::uint16_t height, float aspect = 1.0f)
      : width_(width), height_(height), aspect_(aspect) {}
  std::uint16_t Width() const { return width_; }
  std::uint16_t Height() const { return height_; }
  float Aspect() const { return aspect_; }

 private:
  std::uint16_t width_ = 0;
  std::uint16_t height_ = 0;
  float aspect_ = 0.0f;
};

class RenderInfo;

class BitmapStorage {
 public:
  virtual ~BitmapStorage() = default;
  const BitmapInfo& Info() const { return info_; }

  // Copies count colours of row y from column x; 0 when any part is outside.
  virtual int GetPixels(int x, int y, int count, BMM_Color_64* destination) = 0;
  // Writes count colours into row y from column x; 0 when any part is outside.
  virtual int PutPixels(int x, int y, int count, const BMM_Color_64* source) = 0;
  // Per-pixel data of the channel with that type bit, or null.
  virtual void* GetChannel(std::uint32_t typeBit, std::uint32_t& typeOut) = 0;
  // How the frame was rendered, or null when the host attached nothing.
  virtual RenderInfo* GetRenderInfo() { return nullptr; }

 protected:
  explicit BitmapStorage(const BitmapInfo& info) : info_(info) {}
  BitmapInfo info_;
};

// RGBA 16-bit pixels in host memory, with optional extra channels.
class MemoryStorage final : public BitmapStorage {
 public:
  // Null when the memory cannot be had; channels is an OR of type bits.
  static std::unique_ptr<MemoryStorage> Create(int width, int height, std::uint32_t channels = 0,
                                               float aspect = 1.0f);
  ~MemoryStorage() override;

  int GetPixels(int x, int y, int count, BMM_Color_64* destination) override;
  int PutPixels(int x, int y, int count, const BMM_Color_64* source) override;
  void* GetChannel(std::uint32_t typeBit, std::uint32_t& typeOut) override;
  RenderInfo* GetRenderInfo() override { return renderInfo_; }

  void SetRenderInfo(RenderInfo* info) { renderInfo_ = info; }
  std::uint32_t Channels() const { return channels_; }
  BMM_Color_64* Pixels() { return pixels_; }
  const BMM_Color_64* Pixels() const { return pixels_; }
  float* FloatChannel() { return floatChannel_; }
  std::uint8_t* ByteChannel() { return byteChannel_; }
  std::uint16_t* U16Channel() { return u16Channel_; }

 private:
  explicit MemoryStorage(const BitmapInfo& info) : BitmapStorage(info) {}
  bool InRange(int x, int y, int count) const;

  BMM_Color_64* pixels_ = nullptr;
  float* floatChannel_ = nullptr;
  std::uint8_t* byteChannel_ = nullptr;
  std::uint16_t* u16Channel_ = nullptr;
  std::uint32_t channels_ = 0;
  RenderInfo* renderInfo_ = nullptr;
};

class Bitmap {
 public:
  Bitmap() = default;
  explicit Bitmap(std::unique_ptr<BitmapStorage> storage) : storage_(std::move(storage)) {}
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  BitmapStorage* Storage() const { return storage_.get(); }
  int Width() const { return storage_ ? storage_->Info().Width() : 0; }
  int Height() const { return storage_ ? storage_->Info().Height() : 0; }
  float Aspect() const { return storage_ ? storage_->Info().Aspect() : 0.0f; }

  int FetchRow(int x, int y, int count, BMM_Color_64* destination) {
    return storage_ ? storage_->GetPixels(x, y, count, destination) : 0;
  }
  int PutPixels(int x, int y, int count, const BMM_Color_64* source) {
    return storage_ ? storage_->PutPixels(x, y, count, source) : 0;
  }
  void* FetchChannel(std::uint32_t typeBit, std::uint32_t& typeOut) {
    return storage_ ? storage_->GetChannel(typeBit, typeOut) : nullptr;
  }

 private:
  std::unique_ptr<BitmapStorage> storage_;
};
