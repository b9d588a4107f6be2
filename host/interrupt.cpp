#include "host/interrupt.h"

#include <csignal>

namespace zarn::host {
namespace {
volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int signal) {
  interrupted = 1;
  // The next Ctrl-C takes the default action.
  std::signal(signal, SIG_DFL);
}
}  // namespace

void InstallInterruptHandler() {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
}

bool Interrupted() { return interrupted != 0; }
void RequestInterrupt() { interrupted = 1; }
void ClearInterrupt() { interrupted = 0; }
}  // namespace zarn::host
