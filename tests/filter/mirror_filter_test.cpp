#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "filter/mirror_filter.h"
#include "frame/class_desc.h"
#include "frame/plugin_info.h"
#include "platform/module.h"

namespace {
using Block = std::array<unsigned char, 12>;

Block Saved(MirrorFilter& f) {
  Block b{};
  EXPECT_EQ(f.SaveConfigure(b.data()), 1);
  return b;
}

Block MakeBlock(std::uint32_t ident, std::int32_t h, std::int32_t v) {
  Block b{};
  const MirrorConfig c{ident, h, v};
  std::memcpy(b.data(), &c, sizeof(c));
  return b;
}
}  // namespace

TEST(MirrorConfig, NewFilterSavesDefaultBytes) {
  MirrorFilter f;
  const Block expected = {0x78, 0x41, 0xFD, 0x43, 0x01, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Saved(f), expected);
  EXPECT_EQ(f.EvaluateConfigure(), 12u);
}

TEST(MirrorConfig, SaveChangeLoadRestores) {
  MirrorFilter f;
  const Block saved = Saved(f);
  f.config.horizontal = 0;
  f.config.vertical = 1;
  Block copy = saved;
  EXPECT_EQ(f.LoadConfigure(copy.data()), 1);
  EXPECT_EQ(f.config.horizontal, 1);
  EXPECT_EQ(f.config.vertical, 0);
  EXPECT_EQ(f.EvaluateConfigure(), 12u);
}

TEST(MirrorConfig, LoadTakesFlagsAsTheyAre) {
  MirrorFilter f;
  Block b = MakeBlock(0x43FD4178u, 2, -7);
  EXPECT_EQ(f.LoadConfigure(b.data()), 1);
  EXPECT_EQ(f.config.horizontal, 2);
  EXPECT_EQ(f.config.vertical, -7);
}

TEST(MirrorConfig, RefusedBlocksChangeNothing) {
  struct Row {
    const char* name;
    Block block;
  };
  const Row rows[] = {
      {"all zero", Block{}},
      {"byte-swapped ident", MakeBlock(0x7841FD43u, 0, 1)},
      {"ident plus one", MakeBlock(0x43FD4179u, 0, 1)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MirrorFilter f;
    f.config.vertical = 1;
    Block b = row.block;
    EXPECT_EQ(f.LoadConfigure(b.data()), 0);
    EXPECT_EQ(f.config.ident, 0x43FD4178u);
    EXPECT_EQ(f.config.horizontal, 1);
    EXPECT_EQ(f.config.vertical, 1);
  }
}

TEST(MirrorConfig, NullBlocksAnswerZero) {
  MirrorFilter f;
  EXPECT_EQ(f.SaveConfigure(nullptr), 0);
  EXPECT_EQ(f.LoadConfigure(nullptr), 0);
  EXPECT_EQ(f.config.horizontal, 1);
  EXPECT_EQ(f.config.vertical, 0);
}

TEST(FilterBase, AnswersFromTheDescriptorRecord) {
  MirrorFilter f;
  EXPECT_EQ(f.FilterName(), pluginInfo.className);
  EXPECT_STREQ(f.FilterName(), "Zarn");
  EXPECT_EQ(f.AuthorText(), pluginInfo.author);
  EXPECT_EQ(f.CopyrightText(), pluginInfo.copyright);
  EXPECT_EQ(f.FilterIdent(), 1140670840u);
  EXPECT_EQ(f.FilterFlags(), 6u);
}

TEST(ClassDescriptor, Answers) {
  ClassDescriptor* d = GetFilterClassDesc();
  EXPECT_EQ(d->Available(), 1);
  EXPECT_EQ(d->ClassName(), pluginInfo.className);
  EXPECT_EQ(d->FamilyCode(), 3584u);
  EXPECT_EQ(d->ClassID(), (ClassId{0x43FD4178u, 0x26147C48u}));
  EXPECT_EQ(d->ClassID().a, pluginInfo.ident);
  EXPECT_STREQ(d->Category(), "Image Filter");
  for (int arg : {0, 1, -1, 12345}) {
    SCOPED_TRACE(arg);
    EXPECT_EQ(d->HostQuery2(arg), 0);
    EXPECT_EQ(d->HostQuery3(arg), 0);
    EXPECT_EQ(d->HostQuery8(arg), 1);
    EXPECT_EQ(d->HostQuery13(arg), 0);
    EXPECT_EQ(d->HostQuery14(arg), 0);
    d->HostNotify10(arg);
    d->HostNotify11(arg);
  }
  EXPECT_EQ(d->HostQuery9(), 0);
  EXPECT_EQ(d->HostQuery12(), 0);
}

TEST(ClassDescriptor, CreateMakesDistinctDefaultFilters) {
  ClassDescriptor* d = GetFilterClassDesc();
  std::unique_ptr<ImageFilter> a(static_cast<ImageFilter*>(d->Create(0)));
  std::unique_ptr<ImageFilter> b(static_cast<ImageFilter*>(d->Create(1)));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a.get(), b.get());
  for (ImageFilter* f : {a.get(), b.get()}) {
    unsigned char block[12];
    ASSERT_EQ(f->SaveConfigure(block), 1);
    const unsigned char expected[12] = {0x78, 0x41, 0xFD, 0x43, 1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(block, expected, 12), 0);
    EXPECT_EQ(f->FilterName(), d->ClassName());
  }
}

TEST(Dialogs, NativeModuleAnswersThePlatformFailure) {
  if (platform::HasModuleResources()) GTEST_SKIP() << "dialogs are shown for real there";
  MirrorFilter f;
  EXPECT_EQ(f.ShowControl(nullptr), -1);
  EXPECT_EQ(f.ShowAbout(nullptr), -1);
  EXPECT_EQ(f.config.horizontal, 1);
  EXPECT_EQ(f.config.vertical, 0);
}
