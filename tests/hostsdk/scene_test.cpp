// The host stand-in's scene: keyed node transforms, the pinhole camera and
// the look-at transform that a scene description fills in.
#include "hostsdk/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

struct KeyCase {
  const char *name;
  int time;
  float x;
};

class SceneNodeKeys : public ::testing::TestWithParam<KeyCase> {};

// Keys at 0 (x = 1), 100 (x = 2) and 200 (x = 3).
TEST_P(SceneNodeKeys, LastKeyAtOrBeforeTheTime) {
  Scene scene;
  for (int k = 0; k < 3; ++k)
    scene.PlaceNode("N", Point3(1.0f + k, 0, 0), k * 100);
  INode *node = scene.GetINodeByName("N");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->GetNodeTM(GetParam().time, nullptr).GetTrans(),
            Point3(GetParam().x, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(Cases, SceneNodeKeys,
                         ::testing::Values(KeyCase{"BeforeFirstKey", -5, 1},
                                           KeyCase{"OnFirst", 0, 1},
                                           KeyCase{"Between", 150, 2},
                                           KeyCase{"OnLast", 200, 3},
                                           KeyCase{"AfterLast", 99999, 3}),
                         [](const auto &info) {
                           return std::string(info.param.name);
                         });

TEST(Scene, UnknownAndNullNamesFindNothing) {
  Scene scene;
  scene.PlaceNode("Cube", Point3(0, 0, 0));
  EXPECT_EQ(scene.GetINodeByName("cube"), nullptr);
  EXPECT_EQ(scene.GetINodeByName(nullptr), nullptr);
  EXPECT_NE(scene.GetINodeByName("Cube"), nullptr);
}

TEST(Scene, NodeWithoutKeysIsAtTheOrigin) {
  Scene scene;
  EXPECT_EQ(scene.Node("Empty").GetNodeTM(5, nullptr).GetTrans(),
            Point3(0, 0, 0));
}

struct ProjectionCase {
  const char *name;
  Point3 camera;
  float sx, sy;
};

class CameraProjection : public ::testing::TestWithParam<ProjectionCase> {};

// 200 x 100 frame, 90 degrees across: focal length 100 pixels.
TEST_P(CameraProjection, PinholeAboutTheFrameCentre) {
  CameraRenderInfo info(200, 100, 90.0f);
  const Point2 p = info.MapCamToScreen(GetParam().camera);
  EXPECT_NEAR(p.x, GetParam().sx, 1e-4);
  EXPECT_NEAR(p.y, GetParam().sy, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraProjection,
    ::testing::Values(ProjectionCase{"OnAxis", Point3(0, 0, -7), 100, 50},
                      ProjectionCase{"RightAndUp", Point3(1, 1, -2), 150, 0},
                      ProjectionCase{"LeftAndDown", Point3(-4, -2, -8), 50,
                                     75}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LookAtWorldToCam, PutsTheTargetOnTheAxisInFront) {
  const Matrix3 m =
      LookAtWorldToCam(Point3(3, 4, 5), Point3(3, 4, -5), Point3(0, 1, 0));
  EXPECT_EQ(Point3(3, 4, -5) * m, Point3(0, 0, -10));
  // World +x is camera +x, world +y camera +y when looking down world -z.
  EXPECT_EQ(Point3(4, 6, 5) * m, Point3(1, 2, 0));
}

TEST(LookAtWorldToCam, DegenerateViewGivesIdentity) {
  const Matrix3 same =
      LookAtWorldToCam(Point3(1, 1, 1), Point3(1, 1, 1), Point3(0, 1, 0));
  EXPECT_EQ(Point3(2, 3, 4) * same, Point3(2, 3, 4));
  const Matrix3 parallel =
      LookAtWorldToCam(Point3(0, 5, 0), Point3(0, 0, 0), Point3(0, 1, 0));
  EXPECT_EQ(Point3(2, 3, 4) * parallel, Point3(2, 3, 4));
}

} // namespace
