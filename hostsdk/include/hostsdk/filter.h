// The host's image-filter family: the information it hands a filter for each
// frame, and the base class whose virtual slots the host calls.
#pragma once
#include <cstddef>
#include <cstdint>

#include "hostsdk/bitmap.h"
#include "hostsdk/scene.h"
#include "platform/win.h"

class FrameRange {
 public:
  FrameRange() = default;
  FrameRange(int first, int last, int current) : first_(first), last_(last), current_(current) {}
  int First() const { return first_; }
  int Last() const { return last_; }
  int Current() const { return current_; }
  // Frames in the range; 64-bit inside so extreme ranges cannot overflow.
  int Count() const {
    const long long n = static_cast<long long>(last_) - first_ + 1;
    return n > 2147483647LL ? 2147483647 : n < -2147483647LL ? -2147483647 : static_cast<int>(n);
  }
  void SetCurrent(int frame) { current_ = frame; }

 private:
  std::int32_t first_ = 0;
  std::int32_t last_ = 0;
  std::int32_t current_ = 0;
  // The host's own, opaque here. Private like the rest: members of mixed
  // access would make ImageFilterInfo non-standard-layout, and g++ then
  // refuses the offsetof checks below.
  [[maybe_unused]] std::int32_t hostReserved[3] = {};
};
static_assert(sizeof(FrameRange) == 24);

// The host's per-queue record. Only its two frame ranges are read by filters;
// the rest is the host's own and kept opaque here.
struct ImageFilterInfo {
  char hostData[1740] = {};
  FrameRange cursorRange;  // Current() is the frame being rendered
  FrameRange spanRange;    // the span of frames the queue covers
  char hostTail[60] = {};
};
static_assert(offsetof(ImageFilterInfo, cursorRange) == 1740);
static_assert(offsetof(ImageFilterInfo, spanRange) == 1764);

// Virtual slots in the host's order; do not reorder.
class ImageFilter {
 public:
  ImageFilter() = default;
  ImageFilter(const ImageFilter&) = delete;
  ImageFilter& operator=(const ImageFilter&) = delete;

  virtual ~ImageFilter();                              // 0
  virtual const char* FilterName() = 0;                // 1
  virtual const char* AuthorText() = 0;                // 2
  virtual const char* CopyrightText() = 0;             // 3
  virtual std::uint32_t FilterIdent() = 0;             // 4
  virtual std::uint32_t FilterFlags() = 0;             // 5
  virtual INT_PTR ShowAbout(HWND parent) = 0;          // 6
  virtual int ShowControl(HWND parent);                // 7
  virtual void SetSource(Bitmap* map);                 // 8
  virtual void SetForeground(Bitmap* map);             // 9
  virtual void SetMask(Bitmap* map);                   // 10
  virtual void SetFilterInfo(ImageFilterInfo* info);   // 11
  virtual int Render(HWND window) = 0;                 // 12
  virtual Interface* HostInterface();                  // 13
  virtual int Lerp(int a, int b, float amount);        // 14
  virtual int Lerp(int a, int b, int amount);          // 15
  virtual std::uint32_t EvaluateConfigure();           // 16
  virtual int LoadConfigure(void* block);              // 17
  virtual int SaveConfigure(void* block);              // 18
  virtual int CreatePreview(HWND window, Bitmap** original, int frame, int width, int height,
                            float aspect, Bitmap** preview, std::uint32_t flags);  // 19
  virtual std::uint32_t ChannelsRequired();            // 20

  Bitmap* Source() const { return source_; }
  Bitmap* Foreground() const { return foreground_; }
  Bitmap* Mask() const { return mask_; }
  ImageFilterInfo* FilterInfo() const { return filterInfo_; }
  // The host sets its scene interface before it renders.
  void SetHostInterface(Interface* host) { hostInterface_ = host; }

 private:
  Bitmap* source_ = nullptr;
  Bitmap* foreground_ = nullptr;
  Bitmap* mask_ = nullptr;
  ImageFilterInfo* filterInfo_ = nullptr;
  Interface* hostInterface_ = nullptr;
};
