// Font records and glyph-query arguments shared by the text suites.
#pragma once
#include <cstring>

#include "platform/gdi.h"

namespace zarntest {

// A regular-weight record for the face, height and character set.
inline LOGFONTA FontRecord(const char* face, int height, BYTE charset) {
  LOGFONTA f;
  std::memset(&f, 0, sizeof(f));
  f.lfHeight = height;
  f.lfWeight = FW_NORMAL;
  f.lfCharSet = charset;
  std::strncpy(f.lfFaceName, face, LF_FACESIZE - 1);
  return f;
}

// The unit transform glyph queries take.
inline MAT2 IdentityTransform() {
  MAT2 m{};
  m.eM11.value = 1;
  m.eM22.value = 1;
  return m;
}

}  // namespace zarntest
