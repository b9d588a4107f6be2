#include "gdi_seam.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace platform {
namespace {
std::atomic<int> liveFonts{0};
std::atomic<int> liveContexts{0};
std::atomic<int> liveBlocks{0};
std::atomic<int> madeFonts{0};
std::atomic<int> madeContexts{0};
std::atomic<int> madeBlocks{0};
std::atomic<int> allocsBeforeFailure{-1};
std::atomic<UINT> failingGlyph{0};
std::mutex hookMutex;
MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}
std::atomic<int>& Counter(seam::Kind kind, bool made) {
  switch (kind) {
    case seam::Kind::Font:
      return made ? madeFonts : liveFonts;
    case seam::Kind::Context:
      return made ? madeContexts : liveContexts;
    default:
      return made ? madeBlocks : liveBlocks;
  }
}
}  // namespace

GdiUsage LiveGdiUsage() { return {liveFonts.load(), liveContexts.load(), liveBlocks.load()}; }

GdiUsage MadeGdiUsage() { return {madeFonts.load(), madeContexts.load(), madeBlocks.load()}; }

void FailGlobalAllocAfter(int successes) { allocsBeforeFailure = successes < 0 ? -1 : successes; }

void FailGlyphBitmapFor(UINT code) { failingGlyph = code; }

void SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> lock(hookMutex);
  Hook() = std::move(hook);
}

namespace seam {
void Made(Kind kind) {
  ++Counter(kind, true);
  ++Counter(kind, false);
}
void Released(Kind kind) { --Counter(kind, false); }

bool AllowGlobalAlloc() {
  int left = allocsBeforeFailure.load();
  while (left >= 0) {
    if (left == 0) return false;
    if (allocsBeforeFailure.compare_exchange_weak(left, left - 1)) return true;
  }
  return true;
}

bool GlyphBitmapFails(UINT code) { return code != 0 && failingGlyph.load() == code; }

bool Hooked(HWND owner, LPCSTR text, LPCSTR caption, UINT type, int& answer) {
  MessageBoxHook hook;
  {
    std::lock_guard<std::mutex> lock(hookMutex);
    hook = Hook();
  }
  if (!hook) return false;
  answer = hook(owner, text, caption, type);
  return true;
}
}  // namespace seam
}  // namespace platform
