#include <gtest/gtest.h>

#include <cstring>

#include "frame/class_desc.h"
#include "frame/exports.h"
#include "frame/plugin_info.h"
#include "hostsdk/filter.h"

TEST(Exports, AnswerTheDescriptorRecord) {
  EXPECT_EQ(LibVersion(), 110u);
  EXPECT_EQ(LibNumberClasses(), 1);
  const char* text = LibDescription();
  EXPECT_EQ(text, pluginInfo.description);
  EXPECT_LT(strnlen(text, 256), 256u);
  EXPECT_GT(std::strlen(text), 0u);
}

TEST(Exports, ClassDescForEachIndex) {
  struct Row {
    int index;
    bool found;
  };
  for (Row row : {Row{0, true}, Row{1, false}, Row{-1, false}, Row{2, false},
                  Row{INT32_MIN, false}, Row{INT32_MAX, false}}) {
    SCOPED_TRACE(row.index);
    EXPECT_EQ(LibClassDesc(row.index) != nullptr, row.found);
  }
  EXPECT_EQ(LibClassDesc(0), LibClassDesc(0));
  EXPECT_EQ(LibClassDesc(0), GetFilterClassDesc());
}

TEST(Exports, MissingClassTableAnswersNull) {
  PluginInfo info = pluginInfo;
  info.classTable = nullptr;
  EXPECT_EQ(ClassDescriptorAt(info, 0), nullptr);
}

TEST(PluginInfo, Fields) {
  EXPECT_STREQ(pluginInfo.className, "Zarn");
  EXPECT_EQ(pluginInfo.ident, 0x43FD4178u);
  EXPECT_EQ(pluginInfo.filterFlags, 6u);
  EXPECT_EQ(pluginInfo.aboutDialogId, 101u);
  EXPECT_EQ(pluginInfo.controlDialogId, 102u);
  EXPECT_EQ(pluginInfo.spareWord, 0u);
  for (const char* text : {pluginInfo.description, pluginInfo.author, pluginInfo.copyright}) {
    EXPECT_LT(strnlen(text, 256), 256u);
  }
}
