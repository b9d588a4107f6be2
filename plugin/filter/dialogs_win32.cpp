#include <cstdint>

#include "filter/dialog_procs.h"
#include "filter/mirror_filter.h"
#include "frame/plugin_info.h"
#include "hostsdk/util.h"
#include "resources/zarn_resources.h"

namespace {
void CenterAndShowArrow(HWND window) {
  CenterWindow(window, GetParent(window));
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

LPCSTR TemplateName(std::uint32_t id) { return MAKEINTRESOURCEA(LOWORD(id)); }

// Only exactly 1 means "mirror", so only exactly 1 shows as a tick: a loaded
// block with another value must not look switched on while rendering as off.
UINT CheckState(std::int32_t flag) { return flag == 1 ? BST_CHECKED : BST_UNCHECKED; }
std::int32_t FlagOf(HWND window, int box) {
  return IsDlgButtonChecked(window, box) == BST_CHECKED ? 1 : 0;
}
}  // namespace

INT_PTR CALLBACK AboutDlgProc(HWND window, UINT message, WPARAM first, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CenterAndShowArrow(window);
      return 1;
    case WM_COMMAND:
      switch (LOWORD(first)) {
        case IDOK:
          EndDialog(window, 1);
          break;
        case IDCANCEL:
          EndDialog(window, 0);
          break;
        default:
          break;
      }
      return 1;
    default:
      return 0;
  }
}

INT_PTR CALLBACK ControlDlgProc(HWND window, UINT message, WPARAM first, LPARAM second) {
  if (message == WM_INITDIALOG) controlDialogFilter = reinterpret_cast<MirrorFilter*>(second);
  if (!controlDialogFilter) return 0;
  return controlDialogFilter->HandleControlMessage(window, message, first, second);
}

INT_PTR MirrorFilter::ShowAbout(HWND parent) noexcept {
  return DialogBoxParamA(moduleInstance, TemplateName(pluginInfo.aboutDialogId), parent,
                         AboutDlgProc, reinterpret_cast<LPARAM>(this));
}

int MirrorFilter::ShowControl(HWND parent) noexcept {
  // Messages that arrive before WM_INITDIALOG must not reach a filter that is
  // gone, so the pointer only names a filter while its dialog is open.
  MirrorFilter* const outer = controlDialogFilter;
  controlDialogFilter = nullptr;
  const INT_PTR result = DialogBoxParamA(moduleInstance, TemplateName(pluginInfo.controlDialogId),
                                         parent, ControlDlgProc, reinterpret_cast<LPARAM>(this));
  controlDialogFilter = outer;
  return static_cast<int>(result);
}

INT_PTR MirrorFilter::HandleControlMessage(HWND window, UINT message, WPARAM first, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CenterAndShowArrow(window);
      CheckDlgButton(window, ZARN_FLIP_HORIZONTAL, CheckState(config.horizontal));
      CheckDlgButton(window, ZARN_FLIP_VERTICAL, CheckState(config.vertical));
      return 1;
    case WM_COMMAND:
      switch (LOWORD(first)) {
        case IDOK:
          config.horizontal = FlagOf(window, ZARN_FLIP_HORIZONTAL);
          config.vertical = FlagOf(window, ZARN_FLIP_VERTICAL);
          EndDialog(window, 1);
          break;
        case IDCANCEL:
          EndDialog(window, 0);
          break;
        default:
          break;
      }
      return 1;
    default:
      return 0;
  }
}
