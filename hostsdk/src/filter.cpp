#include "hostsdk/filter.h"

#include <cmath>

ImageFilter::~ImageFilter() = default;

int ImageFilter::ShowControl(HWND) { return 0; }
void ImageFilter::SetSource(Bitmap* map) { source_ = map; }
void ImageFilter::SetForeground(Bitmap* map) { foreground_ = map; }
void ImageFilter::SetMask(Bitmap* map) { mask_ = map; }
void ImageFilter::SetFilterInfo(ImageFilterInfo* info) { filterInfo_ = info; }
Interface* ImageFilter::HostInterface() { return hostInterface_; }

// The host's interpolation between two values: amount 0 gives a, 1 gives b.
int ImageFilter::Lerp(int a, int b, float amount) {
  if (!std::isfinite(amount)) return a;
  const double v = a + (static_cast<double>(b) - a) * amount;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}

// Integer form: amount on a 0-255 scale.
int ImageFilter::Lerp(int a, int b, int amount) {
  const long long v = a + (static_cast<long long>(b) - a) * amount / 255;
  if (v > 2147483647LL) return 2147483647;
  if (v < -2147483648LL) return -2147483647 - 1;
  return static_cast<int>(v);
}

std::uint32_t ImageFilter::EvaluateConfigure() { return 0; }
int ImageFilter::LoadConfigure(void*) { return 0; }
int ImageFilter::SaveConfigure(void*) { return 0; }
int ImageFilter::CreatePreview(HWND, Bitmap**, int, int, int, float, Bitmap**, std::uint32_t) {
  return 0;
}
std::uint32_t ImageFilter::ChannelsRequired() { return 0; }
