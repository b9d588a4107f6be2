// Scene node to screen: the host calls in order, the +0.5 truncation, the
// depth, and the answers without render information, node or name.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "filter/mirror_filter.h"
#include "hostsdk/scene.h"

namespace {

// Render information whose camera-to-screen mapping answers a fixed point
// and records what it was given.
class FixedScreen final : public RenderInfo {
public:
  explicit FixedScreen(Point2 screen) : screen_(screen) {}
  Point2 MapCamToScreen(const Point3 &p) override {
    mapped.push_back(p);
    return screen_;
  }
  std::vector<Point3> mapped;

private:
  Point2 screen_;
};

// A host interface that counts lookups.
class CountingScene final : public Interface {
public:
  INode *GetINodeByName(const char *name) override {
    ++lookups;
    return scene.GetINodeByName(name);
  }
  Scene scene;
  int lookups = 0;
};

struct FilterInScene {
  std::unique_ptr<Bitmap> bitmap;
  MirrorFilter filter;
  CountingScene host;
};

// A filter over a 8 x 6 frame with the given render information.
void Prepare(FilterInScene &s, RenderInfo *info) {
  auto storage = MemoryStorage::Create(8, 6);
  storage->SetRenderInfo(info);
  s.bitmap = std::make_unique<Bitmap>(std::move(storage));
  s.filter.SetSource(s.bitmap.get());
  s.filter.SetHostInterface(&s.host);
}

struct ScreenCase {
  const char *name;
  float sx, sy;
  int x, y;
};

class NodeToScreenRounding : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(NodeToScreenRounding, AddsHalfAndTruncatesTowardZero) {
  const ScreenCase &c = GetParam();
  FixedScreen info(Point2(c.sx, c.sy));
  FilterInScene s;
  Prepare(s, &info);
  s.host.scene.PlaceNode("Ball", Point3(1, 2, 3));
  int x = -99, y = -99;
  ASSERT_EQ(s.filter.NodeToScreen("Ball", x, y), 1);
  EXPECT_EQ(x, c.x);
  EXPECT_EQ(y, c.y);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NodeToScreenRounding,
    ::testing::Values(ScreenCase{"HalfRoundsUp", 99.5f, 10.49f, 100, 10},
                      ScreenCase{"SmallNegativeGoesToZero", -0.7f, -0.5f, 0, 0},
                      ScreenCase{"NegativeTruncatesTowardZero", -1.6f, -2.5f,
                                 -1, -2},
                      // The half is added in double: a float just below a
                      // whole number is not rounded up by a float sum.
                      ScreenCase{"LargeFloatKeepsItsValue", 16777215.0f,
                                 8388607.0f, 16777215, 8388607},
                      ScreenCase{"LargestInt", 2147483520.0f, -2147483648.0f,
                                 2147483520, -2147483647}),
    [](const auto &info) { return std::string(info.param.name); });

struct OutsideCase {
  const char *name;
  float sx, sy;
};

class NodeToScreenOutOfRange : public ::testing::TestWithParam<OutsideCase> {};

TEST_P(NodeToScreenOutOfRange, AnswersZeroWithOutputsUntouched) {
  const OutsideCase &c = GetParam();
  FixedScreen info(Point2(c.sx, c.sy));
  FilterInScene s;
  Prepare(s, &info);
  s.host.scene.PlaceNode("Ball", Point3(0, 0, -5));
  int x = 7, y = 8;
  EXPECT_EQ(s.filter.NodeToScreen("Ball", x, y), 0);
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, 8);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NodeToScreenOutOfRange,
    ::testing::Values(OutsideCase{"BeyondIntMax", 2147483648.0f, 0.0f},
                      OutsideCase{"BelowIntMin", 0.0f, -2147483904.0f},
                      OutsideCase{"Infinite",
                                  std::numeric_limits<float>::infinity(), 0.0f},
                      OutsideCase{"NotANumber", 0.0f,
                                  std::numeric_limits<float>::quiet_NaN()}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(NodeToScreen, NodeOriginAtRenderTimeThroughWorldToCamera) {
  FixedScreen info(Point2(3.0f, 4.0f));
  info.renderTime = 160;
  info.worldToCam = TranslationMatrix(Point3(10, 20, -30));
  FilterInScene s;
  Prepare(s, &info);
  SceneNode &node = s.host.scene.Node("Ball");
  node.SetTransform(0, TranslationMatrix(Point3(1, 1, 1)));
  node.SetTransform(160, TranslationMatrix(Point3(2, -3, 5)));
  node.SetTransform(320, TranslationMatrix(Point3(9, 9, 9)));
  int x = 0, y = 0;
  ASSERT_EQ(s.filter.NodeToScreen("Ball", x, y), 1);
  ASSERT_EQ(info.mapped.size(), 1u);
  EXPECT_EQ(info.mapped[0], Point3(12, 17, -25));
  float depth = 0.0f;
  ASSERT_EQ(s.filter.NodeDepth("Ball", depth), 1);
  EXPECT_EQ(depth, 25.0f);
  // The depth needs no screen mapping.
  EXPECT_EQ(info.mapped.size(), 1u);
}

TEST(NodeDepth, CameraZOfMinusTenIsTen) {
  FixedScreen info(Point2(0.0f, 0.0f));
  FilterInScene s;
  Prepare(s, &info);
  s.host.scene.PlaceNode("Ball", Point3(4, 5, -10));
  float depth = 0.0f;
  ASSERT_EQ(s.filter.NodeDepth("Ball", depth), 1);
  EXPECT_EQ(depth, 10.0f);
}

struct FailureCase {
  const char *name;
  const char *nodeName;
  bool renderInfo;
  bool hostInterface;
  int expectedLookups;
};

class NodeMappingRefuses : public ::testing::TestWithParam<FailureCase> {};

TEST_P(NodeMappingRefuses, AnswersZeroWithOutputsUntouched) {
  const FailureCase &c = GetParam();
  FixedScreen info(Point2(1.0f, 1.0f));
  FilterInScene s;
  Prepare(s, c.renderInfo ? &info : nullptr);
  if (!c.hostInterface)
    s.filter.SetHostInterface(nullptr);
  s.host.scene.PlaceNode("Ball", Point3(0, 0, -1));
  int x = 7, y = 8;
  float depth = 9.0f;
  EXPECT_EQ(s.filter.NodeToScreen(c.nodeName, x, y), 0);
  EXPECT_EQ(s.filter.NodeDepth(c.nodeName, depth), 0);
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, 8);
  EXPECT_EQ(depth, 9.0f);
  EXPECT_EQ(s.host.lookups, c.expectedLookups);
  EXPECT_TRUE(info.mapped.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NodeMappingRefuses,
    ::testing::Values(FailureCase{"EmptyNameAsksNothing", "", true, true, 0},
                      FailureCase{"NullName", nullptr, true, true, 0},
                      FailureCase{"NoRenderInformation", "Ball", false, true,
                                  0},
                      FailureCase{"NoHostInterface", "Ball", true, false, 0},
                      FailureCase{"NoSuchNode", "Cube", true, true, 2},
                      FailureCase{"NamesAreExact", "ball", true, true, 2}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(NodeToScreen, NoSourceBitmapAnswersZero) {
  MirrorFilter filter;
  int x = 7, y = 8;
  EXPECT_EQ(filter.NodeToScreen("Ball", x, y), 0);
  EXPECT_EQ(x, 7);
}

// End to end through the stand-in's camera: a 640 x 480 frame with a 90
// degree field of view (focal length 320 pixels) at (0, 0, 10) looking at
// the origin; a node at (1, 0.5, 0) lies 10 in front, 32 pixels right of and
// 16 above the centre.
TEST(NodeToScreen, StandInCameraProjectsANode) {
  CameraRenderInfo info(640, 480, 90.0f);
  info.worldToCam =
      LookAtWorldToCam(Point3(0, 0, 10), Point3(0, 0, 0), Point3(0, 1, 0));
  FilterInScene s;
  Prepare(s, &info);
  s.host.scene.PlaceNode("Ball", Point3(1.0f, 0.5f, 0.0f));
  int x = 0, y = 0;
  ASSERT_EQ(s.filter.NodeToScreen("Ball", x, y), 1);
  EXPECT_EQ(x, 352);
  EXPECT_EQ(y, 224);
  float depth = 0.0f;
  ASSERT_EQ(s.filter.NodeDepth("Ball", depth), 1);
  EXPECT_EQ(depth, 10.0f);
}

} // namespace
