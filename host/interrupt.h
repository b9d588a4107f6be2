// Ctrl-C: the first one asks the runner to stop cleanly (finish or abandon
// the frames in hand, remove temporaries); a second one ends it at once.
#pragma once

namespace zarn::host {
void InstallInterruptHandler();
bool Interrupted();
// For tests and the demo: behave as if Ctrl-C had been pressed.
void RequestInterrupt();
// For tests: forget an earlier RequestInterrupt.
void ClearInterrupt();
}  // namespace zarn::host
