// State shared by both builds' graphics calls: live counts, injected
// failures and the message-box hook.
#pragma once
#include "platform/gdi.h"

namespace platform::seam {
enum class Kind { Font, Context, GlobalBlock };
void Made(Kind kind);
void Released(Kind kind);
// False when this GlobalAlloc is to fail.
bool AllowGlobalAlloc();
bool GlyphBitmapFails(UINT code);
// True with the hook's answer when a hook is set.
bool Hooked(HWND owner, LPCSTR text, LPCSTR caption, UINT type, int& answer);
}  // namespace platform::seam
