#include "canvas/canvas.h"

std::uint32_t Canvas::ReadIdChannel(int x, int y) const {
  if (x < 0 || x >= width || y < 0 || y >= height) return 0;
  const std::size_t i = static_cast<std::size_t>(y) * width + x;
  // The byte channel takes precedence once requested, even when missing.
  if (channelMask & BMM_CHAN_BYTE) return channel2 ? channel2[i] : 0;
  if (channelMask & BMM_CHAN_U16) return channel4 ? channel4[i] : 0;
  return 0;
}

float Canvas::ReadFloatChannel(int x, int y) const {
  if (x < 0 || x >= width || y < 0 || y >= height || !channel1) return 0.0f;
  return channel1[static_cast<std::size_t>(y) * width + x];
}
