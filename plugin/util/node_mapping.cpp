#include <cstdint>

#include "filter/filter_base.h"
#include "hostsdk/scene.h"

namespace {

// The node's origin in camera space at the frame's render time; false (and
// nothing asked of the host) for an empty name.
bool NodeInCamera(ImageFilter &filter, const char *name, RenderInfo *&info,
                  Point3 &camera) {
  if (!name || name[0] == '\0')
    return false;
  Bitmap *source = filter.Source();
  BitmapStorage *storage = source ? source->Storage() : nullptr;
  info = storage ? storage->GetRenderInfo() : nullptr;
  if (!info)
    return false;
  Interface *host = filter.HostInterface();
  INode *node = host ? host->GetINodeByName(name) : nullptr;
  if (!node)
    return false;
  const Matrix3 tm = node->GetNodeTM(info->renderTime, nullptr);
  camera = tm.GetTrans() * info->worldToCam;
  return true;
}

// Screen coordinate + 0.5, truncated; the half is added in double, as the
// conversion has always done. False when the result does not fit an int.
bool RoundedPixel(float v, int &out) {
  const double shifted = static_cast<double>(v) + 0.5;
  if (!(shifted > -2147483649.0 && shifted < 2147483648.0))
    return false;
  out = static_cast<int>(shifted);
  return true;
}

} // namespace

int FilterBase::NodeToScreen(const char *name, int &x, int &y) {
  RenderInfo *info = nullptr;
  Point3 camera;
  if (!NodeInCamera(*this, name, info, camera))
    return 0;
  const Point2 screen = info->MapCamToScreen(camera);
  int sx = 0, sy = 0;
  if (!RoundedPixel(screen.x, sx) || !RoundedPixel(screen.y, sy))
    return 0;
  x = sx;
  y = sy;
  return 1;
}

int FilterBase::NodeDepth(const char *name, float &depth) {
  RenderInfo *info = nullptr;
  Point3 camera;
  if (!NodeInCamera(*this, name, info, camera))
    return 0;
  depth = -camera.z;
  return 1;
}
