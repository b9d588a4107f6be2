// The one filter of the library: mirrors each frame left-right, top-bottom,
// both or neither, as its configuration block says.
#pragma once
#include "filter/filter_base.h"
#include "filter/mirror_config.h"

class MirrorFilter final : public FilterBase {
 public:
  MirrorFilter();
  ~MirrorFilter() override = default;

  // The host is C code: nothing may unwind into it from these.
  INT_PTR ShowAbout(HWND parent) noexcept override;
  int ShowControl(HWND parent) noexcept override;
  int Render(HWND window) noexcept override;
  std::uint32_t EvaluateConfigure() noexcept override { return sizeof(MirrorConfig); }
  int LoadConfigure(void* block) noexcept override;
  int SaveConfigure(void* block) noexcept override;

  // Messages of this filter's open control dialog.
  INT_PTR HandleControlMessage(HWND window, UINT message, WPARAM first, LPARAM second);

  MirrorConfig config;

 private:
  int RenderFrame(HWND window);
};

// The filter whose control dialog is open, or null.
extern MirrorFilter* controlDialogFilter;
