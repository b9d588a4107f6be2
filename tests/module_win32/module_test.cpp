// The built ZARN.FLT as the host sees it: loaded by file name, its four
// exports found by their undecorated names, filters made and run through it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/dialog_driver.h"
#include "frame/exports.h"
#include "hostsdk/classdesc.h"
#include "hostsdk/filter.h"
#include "module_win32/module_path.h"
#include "support/bitmaps.h"

namespace {

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  FARPROC found = GetProcAddress(module, name);
  Fn fn = nullptr;
  static_assert(sizeof(fn) == sizeof(found));
  std::memcpy(&fn, &found, sizeof(fn));
  return fn;
}

class Module : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { module = LoadLibraryA(zarntest::ModulePath().c_str()); }
  static void TearDownTestSuite() {
    if (module) FreeLibrary(module);
    module = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(module, nullptr) << "cannot load " << zarntest::ModulePath();
    description = Export<LibDescriptionFn>(module, "LibDescription");
    numberClasses = Export<LibNumberClassesFn>(module, "LibNumberClasses");
    classDesc = Export<LibClassDescFn>(module, "LibClassDesc");
    version = Export<LibVersionFn>(module, "LibVersion");
    ASSERT_TRUE(description && numberClasses && classDesc && version);
  }

  ImageFilter* NewFilter(int flag) {
    ClassDescriptor* desc = classDesc(0);
    if (!desc) return nullptr;
    return static_cast<ImageFilter*>(desc->Create(flag));
  }

  static HMODULE module;
  LibDescriptionFn description = nullptr;
  LibNumberClassesFn numberClasses = nullptr;
  LibClassDescFn classDesc = nullptr;
  LibVersionFn version = nullptr;
};
HMODULE Module::module = nullptr;

TEST_F(Module, ExportsOnlyTheFourUndecoratedNames) {
  // The export directory of the loaded image, as the loader reads it.
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  ASSERT_NE(entry.VirtualAddress, 0u);
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  std::vector<std::string> found;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i)
    found.emplace_back(reinterpret_cast<const char*>(base + names[i]));
  EXPECT_EQ(found, (std::vector<std::string>{"LibClassDesc", "LibDescription", "LibNumberClasses",
                                             "LibVersion"}));
  EXPECT_EQ(exports->NumberOfFunctions, 4u);
}

TEST_F(Module, ExportsAnswerTheRecord) {
  // Version and class count first, before any descriptor was fetched.
  EXPECT_EQ(version(), 110u);
  EXPECT_EQ(numberClasses(), 1);
  const char* text = description();
  ASSERT_NE(text, nullptr);
  EXPECT_NE(std::memchr(text, '\0', 256), nullptr);
  EXPECT_GT(std::strlen(text), 0u);
  EXPECT_EQ(description(), text);
}

TEST_F(Module, ClassDescByIndex) {
  ClassDescriptor* first = classDesc(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(classDesc(0), first);
  for (int index : {1, -1, 2, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(classDesc(index), nullptr);
  }
}

TEST_F(Module, DescriptorAnswers) {
  ClassDescriptor* desc = classDesc(0);
  ASSERT_NE(desc, nullptr);
  EXPECT_EQ(desc->Available(), 1);
  EXPECT_STREQ(desc->ClassName(), "Zarn");
  EXPECT_EQ(desc->FamilyCode(), 3584u);
  EXPECT_EQ(desc->ClassID(), (ClassId{0x43FD4178u, 0x26147C48u}));
  EXPECT_EQ(desc->ClassID(), desc->ClassID());
  EXPECT_STREQ(desc->Category(), "Image Filter");
  for (int arg : {0, 1, -1, 12345}) {
    SCOPED_TRACE(arg);
    EXPECT_EQ(desc->HostQuery2(arg), 0);
    EXPECT_EQ(desc->HostQuery3(arg), 0);
    EXPECT_EQ(desc->HostQuery8(arg), 1);
    EXPECT_EQ(desc->HostQuery13(arg), 0);
    EXPECT_EQ(desc->HostQuery14(arg), 0);
    desc->HostNotify10(arg);
    desc->HostNotify11(arg);
  }
  EXPECT_EQ(desc->HostQuery9(), 0);
  EXPECT_EQ(desc->HostQuery12(), 0);
}

TEST_F(Module, CreateGivesDefaultFilters) {
  const unsigned char expected[12] = {0x78, 0x41, 0xFD, 0x43, 1, 0, 0, 0, 0, 0, 0, 0};
  ImageFilter* made[2] = {NewFilter(0), NewFilter(1)};
  ASSERT_NE(made[0], nullptr);
  ASSERT_NE(made[1], nullptr);
  EXPECT_NE(made[0], made[1]);
  for (ImageFilter* filter : made) {
    EXPECT_EQ(filter->EvaluateConfigure(), 12u);
    unsigned char block[16];
    std::memset(block, 0xAA, sizeof(block));
    EXPECT_EQ(filter->SaveConfigure(block), 1);
    EXPECT_EQ(std::memcmp(block, expected, 12), 0);
    EXPECT_EQ(block[12], 0xAA) << "wrote past the 12-byte block";
    EXPECT_EQ(filter->FilterName(), classDesc(0)->ClassName());
    EXPECT_EQ(filter->FilterIdent(), 0x43FD4178u);
    EXPECT_EQ(filter->FilterFlags(), 6u);
  }
  // The host destroys its filters through the virtual destructor.
  delete made[0];
  delete made[1];
}

struct RenderCase {
  const char* name;
  std::int32_t horizontal;
  std::int32_t vertical;
  bool mirrorX;
  bool mirrorY;
};

TEST_F(Module, RenderMirrorsTheHostBitmap) {
  const RenderCase cases[] = {
      {"default", 1, 0, true, false},      {"vertical", 0, 1, false, true},
      {"both", 1, 1, true, true},          {"neither", 0, 0, false, false},
      {"two means no", 2, 1, false, true},
  };
  const int w = 5;
  const int h = 3;
  for (const RenderCase& c : cases) {
    SCOPED_TRACE(c.name);
    ImageFilter* filter = NewFilter(0);
    ASSERT_NE(filter, nullptr);
    const std::uint32_t block[3] = {0x43FD4178u, static_cast<std::uint32_t>(c.horizontal),
                                    static_cast<std::uint32_t>(c.vertical)};
    if (c.horizontal != 1 || c.vertical != 0) {
      ASSERT_EQ(filter->LoadConfigure(const_cast<std::uint32_t*>(block)), 1);
    }
    auto bitmap = zarntest::PositionBitmap(w, h);
    filter->SetSource(bitmap.get());
    EXPECT_EQ(filter->Render(nullptr), 1);
    const auto pixels = zarntest::Pixels(*bitmap);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        EXPECT_EQ(pixels[static_cast<std::size_t>(y) * w + x],
                  zarntest::PositionColor(c.mirrorX ? w - 1 - x : x, c.mirrorY ? h - 1 - y : y))
            << "at " << x << "," << y;
    delete filter;
  }
}

TEST_F(Module, RenderWithoutSourceAnswersZero) {
  ImageFilter* filter = NewFilter(0);
  ASSERT_NE(filter, nullptr);
  EXPECT_EQ(filter->Render(nullptr), 0);
  delete filter;
}

// The module's own instance handle finds its own templates: both dialogs of
// a filter made through the module open and answer.
TEST_F(Module, DialogsOpenFromTheModule) {
  if (!zarntest::HasDisplay()) GTEST_SKIP() << "no X display";
  ImageFilter* filter = NewFilter(0);
  ASSERT_NE(filter, nullptr);
  EXPECT_EQ(zarntest::Drive(
                "Image Zarn Control",
                [](HWND d) {
                  zarntest::Click(d, 1003);
                  zarntest::Click(d, IDOK);
                },
                [&] { return static_cast<INT_PTR>(filter->ShowControl(nullptr)); }),
            1);
  std::uint32_t block[3] = {};
  ASSERT_EQ(filter->SaveConfigure(block), 1);
  EXPECT_EQ(block[1], 1u);
  EXPECT_EQ(block[2], 1u);
  EXPECT_EQ(zarntest::Drive(
                "About Image Zarn", [](HWND d) { zarntest::Click(d, IDOK); },
                [&] { return filter->ShowAbout(nullptr); }),
            1);
  delete filter;
}

}  // namespace
