// Scene files: one exact message for each kind of bad file, what a good
// file puts in the scene, and the render information a frame gets, as a
// filter sees it through the host stand-in while it renders.
#include "host/scene_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter/filter_base.h"
#include "host/frame.h"

namespace {

using zarn::host::SceneFile;

struct BadScene {
  const char* name;
  std::string text;
  std::string error;
};

class InvalidSceneFile : public testing::TestWithParam<BadScene> {};

TEST_P(InvalidSceneFile, OneMessageNamingTheFileAndTheField) {
  std::string error;
  EXPECT_EQ(SceneFile::Parse(GetParam().text, "shot.json", error), nullptr);
  EXPECT_EQ(error, GetParam().error);
}

// A camera that is fine, for the rows about other parts.
const std::string kCamera = R"("camera": {"position": [0, 0, 0], "target": [0, 0, -1], "fov": 90})";

INSTANTIATE_TEST_SUITE_P(
    Files, InvalidSceneFile,
    testing::Values(
        // The second comma on line 3 is its 15th character.
        BadScene{"SyntaxLineAndColumn", "{\n  \"camera\": {\n    \"fov\": 90,,\n",
                 "shot.json:3:15: not valid JSON: syntax error while parsing object key - unexpected ','; "
                 "expected string literal"},
        BadScene{"Empty", "",
                 "shot.json:1:1: not valid JSON: syntax error while parsing value - unexpected end of input; "
                 "expected '[', '{', or a literal"},
        BadScene{"NumberBeyondDouble", "{\"camera\": {\"fov\": 1e400}}",
                 "shot.json: not valid JSON: number overflow parsing '1e400'"},
        BadScene{"NotAnObject", "[1, 2]",
                 "shot.json: the top level: expected an object with camera, frame, nodes"},
        BadScene{"NoCamera", "{\"nodes\": []}", "shot.json: camera: missing"},
        BadScene{"UnknownTopField", "{" + kCamera + ", \"node\": []}",
                 "shot.json: node: unknown field (the top level has camera, frame, nodes)"},
        BadScene{"UnknownCameraField", R"({"camera": {"position": [0, 0, 0], "fovy": 40}})",
                 "shot.json: camera.fovy: unknown field (camera has position, target, up, fov)"},
        BadScene{"CameraWithoutTarget", R"({"camera": {"position": [0, 0, 0], "fov": 40}})",
                 "shot.json: camera.target: missing"},
        BadScene{"TwoNumbers", R"({"camera": {"position": [0, 0], "target": [0, 0, -1], "fov": 40}})",
                 "shot.json: camera.position: expected 3 numbers"},
        BadScene{"BeyondFloat", R"({"camera": {"position": [1e39, 0, 0], "target": [0, 0, -1], "fov": 40}})",
                 "shot.json: camera.position[0]: out of range for a 32-bit float"},
        BadScene{"StraightAngle", R"({"camera": {"position": [0, 0, 0], "target": [0, 0, -1], "fov": 180}})",
                 "shot.json: camera.fov: expected degrees above 0 and below 180"},
        BadScene{"FovAsText", R"({"camera": {"position": [0, 0, 0], "target": [0, 0, -1], "fov": "wide"}})",
                 "shot.json: camera.fov: expected a number"},
        BadScene{"LookingAtItself", R"({"camera": {"position": [1, 2, 3], "target": [1, 2, 3], "fov": 40}})",
                 "shot.json: camera.target: the same point as camera.position"},
        BadScene{"UpAlongTheView",
                 R"({"camera": {"position": [0, 0, 0], "target": [0, 0, -1], "up": [0, 0, 2], "fov": 40}})",
                 "shot.json: camera.up: zero or along the view direction"},
        BadScene{"FrameWidthZero", "{" + kCamera + R"(, "frame": {"width": 0, "height": 10}})",
                 "shot.json: frame.width: 0 is not 1 to 65535"},
        BadScene{"FrameHeightFraction", "{" + kCamera + R"(, "frame": {"width": 8, "height": 2.5}})",
                 "shot.json: frame.height: expected a whole number, 1 to 65535"},
        BadScene{"NodesNotAList", "{" + kCamera + R"(, "nodes": {"name": "a"}})",
                 "shot.json: nodes: expected a list of nodes"},
        BadScene{"PositionNotNumbers", "{" + kCamera + R"(, "nodes": [{"name": "a", "position": [0, 0, 1]},
                                               {"name": "b", "position": ["x", 0, 1]}]})",
                 "shot.json: nodes[1].position: expected 3 numbers"},
        BadScene{"NamelessNode", "{" + kCamera + R"(, "nodes": [{"position": [0, 0, 1]}]})",
                 "shot.json: nodes[0].name: expected the node's name"},
        BadScene{"SameNameTwice", "{" + kCamera + R"(, "nodes": [{"name": "a", "position": [0, 0, 1]},
                                               {"name": "a", "position": [0, 0, 2]}]})",
                 "shot.json: nodes[1].name: a second node called a"},
        BadScene{"FixedAndKeyed",
                 "{" + kCamera + R"(, "nodes": [{"name": "a", "position": [0, 0, 1], "positions": {}}]})",
                 "shot.json: nodes[0]: expected position or positions (by frame), one of the two"},
        BadScene{
            "KeyNotAFrame",
            "{" + kCamera + R"(, "nodes": [{"name": "a", "positions": {"0": [0, 0, 1], "x1": [0, 0, 2]}}]})",
            "shot.json: nodes[0].positions.x1: expected a frame number as the key"},
        BadScene{"FrameBeyondInt",
                 "{" + kCamera + R"(, "nodes": [{"name": "a", "positions": {"2147483648": [0, 0, 1]}}]})",
                 "shot.json: nodes[0].positions.2147483648: expected a frame number as the key"},
        BadScene{
            "SameFrameTwice",
            "{" + kCamera + R"(, "nodes": [{"name": "a", "positions": {"7": [0, 0, 1], "07": [0, 0, 2]}}]})",
            "shot.json: nodes[0].positions.7: a second key for that frame"},
        BadScene{"KeyedPositionShort",
                 "{" + kCamera + R"(, "nodes": [{"name": "a", "positions": {"-3": [0, 1]}}]})",
                 "shot.json: nodes[0].positions.-3: expected 3 numbers"}),
    [](const testing::TestParamInfo<BadScene>& info) { return std::string(info.param.name); });

TEST(SceneFile, AMissingFileIsNamed) {
  std::string error;
  EXPECT_EQ(SceneFile::Read("no-such-scene.json", error), nullptr);
  EXPECT_EQ(error.rfind("no-such-scene.json: ", 0), 0u) << error;
}

// Nodes hold each keyed position from its frame on; comments are allowed.
TEST(SceneFile, NodesCameraAndFrameAsWritten) {
  std::string error;
  auto scene = SceneFile::Parse(R"({
    // A camera up and back, looking at the origin.
    "camera": {"position": [0, 2, 10], "target": [0, 0, 0], "up": [0, 1, 0], "fov": 40},
    "frame": {"width": 320, "height": 180},
    "nodes": [
      {"name": "ball", "position": [1.5, -2, 3]},
      /* keyed */ {"name": "bar", "positions": {"10": [0, 0, 1], "-5": [0, 0, -1], "3": [0, 0, 0.5]}}
    ]
  })",
                                "shot.json", error);
  ASSERT_NE(scene, nullptr) << error;
  EXPECT_EQ(scene->Camera().position, Point3(0, 2, 10));
  EXPECT_EQ(scene->Camera().target, Point3(0, 0, 0));
  EXPECT_EQ(scene->Camera().fovDegrees, 40.0f);
  ASSERT_TRUE(scene->FrameSize());
  EXPECT_EQ(*scene->FrameSize(), std::make_pair(320, 180));
  EXPECT_EQ(scene->Nodes().NodeNames(), (std::vector<std::string>{"ball", "bar"}));
  INode* ball = scene->Nodes().GetINodeByName("ball");
  ASSERT_NE(ball, nullptr);
  EXPECT_EQ(ball->GetNodeTM(-100, nullptr).GetTrans(), Point3(1.5f, -2, 3));
  INode* bar = scene->Nodes().GetINodeByName("bar");
  ASSERT_NE(bar, nullptr);
  const struct {
    int time;
    float z;
  } keys[] = {{-9, -1}, {-5, -1}, {2, -1}, {3, 0.5f}, {9, 0.5f}, {10, 1}, {1000, 1}};
  for (const auto& k : keys) EXPECT_EQ(bar->GetNodeTM(k.time, nullptr).GetTrans().z, k.z) << k.time;

  // The render information is for the named frame size only.
  EXPECT_EQ(scene->RenderInfoFor(192, 128, 0, error), nullptr);
  EXPECT_EQ(error, "shot.json: frame is 320 x 180, the image 192 x 128");
  auto info = scene->RenderInfoFor(320, 180, 7, error);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->renderTime, 7);
}

// A filter that asks, while it renders, where the node "ball" is.
class NodeProbe final : public FilterBase {
 public:
  INT_PTR ShowAbout(HWND) override { return 0; }
  int Render(HWND) override {
    found = NodeToScreen("ball", x, y);
    Bitmap* source = Source();
    time = source && source->Storage()->GetRenderInfo() ? source->Storage()->GetRenderInfo()->renderTime : -1;
    return 1;
  }
  int found = -1, x = -1, y = -1, time = -1;
};

// A camera at the origin looking down -z, 90 degrees across 21 columns:
// the focal length is 10.5 pixels and the frame's centre (10.5, 5.5). At
// frame 2 the ball sits straight ahead (10.5 + 0.5 -> 11, 5.5 + 0.5 -> 6);
// from frame 5 at (2, 1, -5): x = 10.5 + 2 * 10.5 / 5 = 14.7 -> 15,
// y = 5.5 - 1 * 10.5 / 5 = 3.4 -> 3.
TEST(SceneFile, FiltersSeeTheFramesCameraAndTime) {
  std::string error;
  auto scene = SceneFile::Parse(R"({"camera": {"position": [0, 0, 0], "target": [0, 0, -1], "fov": 90},
      "nodes": [{"name": "ball", "positions": {"0": [0, 0, -5], "5": [2, 1, -5]}}]})",
                                "shot.json", error);
  ASSERT_NE(scene, nullptr) << error;
  const struct {
    long long frame;
    int x, y;
  } rows[] = {{2, 11, 6}, {5, 15, 3}, {9, 15, 3}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.frame);
    std::vector<std::unique_ptr<RenderInfo>> rendered;
    zarn::io::Image image;
    ASSERT_TRUE(zarn::io::Allocate(image, 21, 11, 0, error)) << error;
    ASSERT_TRUE(zarn::host::AttachScene(image, *scene, row.frame, rendered, error)) << error;
    NodeProbe filter;
    filter.SetHostInterface(&scene->Nodes());
    ASSERT_TRUE(zarn::host::RenderFrame(filter, image, nullptr, nullptr, error)) << error;
    EXPECT_EQ(filter.found, 1);
    EXPECT_EQ(filter.x, row.x);
    EXPECT_EQ(filter.y, row.y);
    EXPECT_EQ(filter.time, row.frame);
  }
  // Frame numbers are times, which are 32-bit.
  std::vector<std::unique_ptr<RenderInfo>> rendered;
  zarn::io::Image image;
  ASSERT_TRUE(zarn::io::Allocate(image, 21, 11, 0, error));
  EXPECT_FALSE(zarn::host::AttachScene(image, *scene, 1LL << 31, rendered, error));
  EXPECT_EQ(error, "frame 2147483648 is beyond the scene's times");
}

}  // namespace
