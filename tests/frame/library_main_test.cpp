#include <gtest/gtest.h>

#include "frame/plugin_info.h"
#include "hostsdk/util.h"

namespace {
HINSTANCE FakeInstance() { return reinterpret_cast<HINSTANCE>(0x10000); }

int CommonInits() { return platform::CommonControlsInitCount(); }
}  // namespace

// The load handler's globals are process-wide; this one test walks them.
TEST(LibraryMain, AttachDetachAttach) {
  ASSERT_EQ(moduleInstance, nullptr);
  const int custom0 = CustomControlsInitCount();
  const int common0 = CommonInits();

  EXPECT_EQ(LibraryMain(FakeInstance(), DLL_PROCESS_ATTACH, nullptr), 1);
  EXPECT_EQ(moduleInstance, FakeInstance());
  EXPECT_EQ(controlsInitialized, 1);

  // A second attach is refused and changes nothing.
  EXPECT_EQ(LibraryMain(reinterpret_cast<HINSTANCE>(0x20000), DLL_PROCESS_ATTACH, nullptr), 0);
  EXPECT_EQ(moduleInstance, FakeInstance());

  // Thread notifications and unknown codes touch nothing.
  EXPECT_EQ(LibraryMain(FakeInstance(), DLL_THREAD_ATTACH, nullptr), 1);
  EXPECT_EQ(LibraryMain(FakeInstance(), DLL_THREAD_ATTACH, nullptr), 1);
  EXPECT_EQ(LibraryMain(FakeInstance(), DLL_THREAD_DETACH, nullptr), 1);
  EXPECT_EQ(LibraryMain(FakeInstance(), 77, nullptr), 1);
  EXPECT_EQ(CustomControlsInitCount(), custom0 + 1);

  EXPECT_EQ(LibraryMain(FakeInstance(), DLL_PROCESS_DETACH, nullptr), 1);
  EXPECT_EQ(moduleInstance, nullptr);
  EXPECT_EQ(controlsInitialized, 0);

  EXPECT_EQ(LibraryMain(FakeInstance(), DLL_PROCESS_ATTACH, nullptr), 1);
  EXPECT_EQ(CustomControlsInitCount(), custom0 + 2);
  // The real InitCommonControls keeps no count.
  if (common0 >= 0) {
    EXPECT_EQ(CommonInits(), common0 + 2);
  }
  LibraryMain(FakeInstance(), DLL_PROCESS_DETACH, nullptr);
}
