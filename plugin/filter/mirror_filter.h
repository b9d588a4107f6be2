// The one filter of the library: mirrors each frame left-right, top-bottom,
// both or neither, as its configuration block says.
#pragma once
#include "filter/filter_base.h"
#include "filter/mirror_config.h"

class MirrorFilter final : public FilterBase {
 public:
  MirrorFilter();
  ~MirrorFilter() override = default;

  INT_PTR ShowAbout(HWND parent) override;
  int ShowControl(HWND parent) override;
  int Render(HWND window) override;
  std::uint32_t EvaluateConfigure() override { return sizeof(MirrorConfig); }
  int LoadConfigure(void* block) override;
  int SaveConfigure(void* block) override;

  // Messages of this filter's open control dialog.
  INT_PTR HandleControlMessage(HWND window, UINT message, WPARAM first, LPARAM second);

  MirrorConfig config;
};

// The filter whose control dialog is open, or null.
extern MirrorFilter* controlDialogFilter;
