// Scene-node projection: any node transforms, camera transform, render
// time, field of view and frame size, names present, absent, empty and
// null, with and without render information or a host interface.
#include <string>

#include "filter/mirror_filter.h"
#include "fuzz_input.h"
#include "hostsdk/scene.h"

namespace {
Matrix3 AnyMatrix(zarnfuzz::Input& in) {
  Matrix3 m;
  if (in.Bool()) {
    m.SetTrans(Point3(in.AnyFloat(), in.AnyFloat(), in.AnyFloat()));
    return m;
  }
  for (auto& row : m.m)
    for (float& v : row) v = in.AnyFloat(2);
  return m;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Input in(data, size);
  const int w = in.AnyInt(0, 640), h = in.AnyInt(0, 480);
  CameraRenderInfo camera(w, h, in.AnyFloat(90));
  camera.renderTime = in.AnyInt();
  camera.worldToCam = AnyMatrix(in);
  Scene scene;
  const char* names[] = {"a", "b", "Camera01"};
  for (int i = in.Pick<int>(0, 3); i > 0; --i) {
    SceneNode& node = scene.Node(names[in.Pick<int>(0, 2)]);
    for (int k = in.Pick<int>(0, 2); k > 0; --k) node.SetTransform(in.AnyInt(), AnyMatrix(in));
  }
  auto storage = MemoryStorage::Create(in.Pick<int>(0, 4), in.Pick<int>(0, 4));
  if (storage && in.Pick<int>(0, 7) != 0) storage->SetRenderInfo(&camera);
  Bitmap bitmap(std::move(storage));
  MirrorFilter filter;
  if (in.Pick<int>(0, 7) != 0) filter.SetSource(&bitmap);
  if (in.Pick<int>(0, 7) != 0) filter.SetHostInterface(&scene);
  for (int step = 0; step < 4 && !in.Empty(); ++step) {
    std::string name;
    const int which = in.Pick<int>(0, 5);
    if (which < 3) name = names[which];
    if (which == 4) name = in.Provider().ConsumeRandomLengthString(8);
    const char* text = which == 5 ? nullptr : name.c_str();
    int x = 7, y = 9;
    float depth = 3.0f;
    const int placed = filter.NodeToScreen(text, x, y);
    const int deep = filter.NodeDepth(text, depth);
    // A refusal leaves the outputs alone.
    if (!placed && (x != 7 || y != 9)) __builtin_trap();
    if (!deep && depth != 3.0f) __builtin_trap();
  }
  return 0;
}
