// The sample picture and `zarn gallery`: every registered operation over
// the same picture, one labelled tile each.
#include <algorithm>
#include <cstdio>

#include "canvas/canvas.h"
#include "host/commands.h"
#include "host/image_io.h"
#include "host/ops/registry.h"
#include "host/run.h"
#include "host/scene_file.h"
#include "host/tiny_font.h"

namespace zarn::host {
namespace {

constexpr int kTileWidth = 192;
constexpr int kTileHeight = 128;
constexpr int kLabelHeight = 14;
constexpr int kGap = 6;
constexpr int kColumns = 4;

// The scene of the sample picture as the tiles show it (frame 2 of 8): a
// camera at the origin looking down -z, 90 degrees across the tile's 192
// columns, so a point at distance d moves 96 / d pixels per unit. The disc's
// centre (65, 64) lies 12 away, the bar's middle about 40.
constexpr const char* kSampleScene = R"({
  "camera": {"position": [0, 0, 0], "target": [0, 0, -1], "fov": 90},
  "nodes": [
    {"name": "disc", "position": [-3.875, 0, -12]},
    {"name": "bar", "position": [18, 8, -40]}
  ]
})";

}  // namespace

bool DrawSample(Bitmap& bitmap, int frame, int frames) {
  Canvas canvas(nullptr, nullptr, &bitmap);
  if (!canvas.HasPixels()) return false;
  canvas.RequestChannel(BMM_CHAN_FLOAT);
  const int w = canvas.width;
  const int h = canvas.height;
  if (w <= 0 || h <= 0) return false;
  const int span = frames > 1 ? frames - 1 : 1;
  // Depths are camera z, so -z is the distance.
  // Background: a diagonal gradient, far away.
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const auto r = static_cast<std::uint16_t>(65535LL * x / std::max(1, w - 1));
      const auto g = static_cast<std::uint16_t>(65535LL * y / std::max(1, h - 1));
      const auto b = static_cast<std::uint16_t>(20000 + 30000LL * frame / span);
      canvas.PlotColor(static_cast<float>(x), static_cast<float>(y), {r, g, b, 65535});
      if (canvas.channel1) canvas.channel1[static_cast<std::size_t>(y) * w + x] = -100.0f;
    }
  }
  // A disc travelling left to right, near; a bar sinking, in between.
  const int radius = std::max(2, h / 5);
  const int cx = radius + static_cast<int>(static_cast<long long>(w - 2 * radius) * frame / span);
  const int cy = h / 2;
  const int barX = w * 2 / 3;
  const int barY = static_cast<int>(static_cast<long long>(h - h / 4) * frame / span);
  canvas.SetDrawColor({65535, 52000, 8000, 65535});
  for (int y = barY; y < barY + h / 4 && y < h; ++y)
    for (int x = barX; x < barX + w / 8 && x < w; ++x) {
      canvas.Plot(static_cast<float>(x), static_cast<float>(y));
      if (canvas.channel1) canvas.channel1[static_cast<std::size_t>(y) * w + x] = -40.0f;
    }
  canvas.SetDrawColor({6000, 12000, 65535, 65535});
  for (int y = cy - radius; y <= cy + radius; ++y)
    for (int x = cx - radius; x <= cx + radius; ++x) {
      const int dx = x - cx;
      const int dy = y - cy;
      if (dx * dx + dy * dy > radius * radius || x < 0 || y < 0 || x >= w || y >= h) continue;
      canvas.Plot(static_cast<float>(x), static_cast<float>(y));
      if (canvas.channel1) canvas.channel1[static_cast<std::size_t>(y) * w + x] = -10.0f - frame;
    }
  // An arrow pointing right in the top-left corner shows which way is which.
  canvas.SetDrawColor({65535, 65535, 65535, 65535});
  DrawLabel(canvas, 4, 4, "ZARN >", std::max(1, h / 90));
  canvas.Store();
  return true;
}

int GalleryCommand(const std::string& out) {
  const auto& operations = ops::Operations().All();
  if (operations.empty()) {
    std::fprintf(stderr, "zarn: no operations are registered\n");
    return kExitFailed;
  }
  const int count = static_cast<int>(operations.size());
  const int columns = std::min(kColumns, count);
  const int rows = (count + columns - 1) / columns;
  const int width = kGap + columns * (kTileWidth + kGap);
  const int height = kGap + rows * (kTileHeight + kLabelHeight + kGap);
  io::Image sheet;
  std::string error;
  if (!io::Allocate(sheet, width, height, 0, error)) {
    std::fprintf(stderr, "zarn: %s\n", error.c_str());
    return kExitFailed;
  }
  sheet.type = io::FileType::Png;
  sheet.pngChannels = 3;
  sheet.pngDepth = 8;
  std::unique_ptr<SceneFile> scene = SceneFile::Parse(kSampleScene, "the sample scene", error);
  if (!scene) {
    std::fprintf(stderr, "zarn: %s\n", error.c_str());
    return kExitFailed;
  }
  ops::Context context;
  context.scene = &scene->Nodes();
  Canvas canvas(nullptr, nullptr, sheet.bitmap.get());
  for (int i = 0; i < width * height; ++i) canvas.pixels[i] = {9000, 9000, 10000, 65535};
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    const ops::Operation& op = operations[i];
    std::vector<std::unique_ptr<RenderInfo>> rendered;  // outlives the tile that points at it
    io::Image tile;
    if (!io::Allocate(tile, kTileWidth, kTileHeight, BMM_CHAN_FLOAT | BMM_CHAN_U16, error)) {
      std::fprintf(stderr, "zarn: %s\n", error.c_str());
      return kExitFailed;
    }
    DrawSample(*tile.bitmap, 2, 8);
    ops::Args args;
    bool ok =
        ops::ParseArgs(op, op.galleryArgs, args, error) && AttachScene(tile, *scene, 2, rendered, error);
    if (ok) ok = ops::Apply(op, *tile.bitmap, args, context, error) == ops::Status::Done;
    if (!ok) {
      std::fprintf(stderr, "zarn: gallery: %s\n", error.c_str());
      ++failures;
    }
    const int left = kGap + (i % columns) * (kTileWidth + kGap);
    const int top = kGap + (i / columns) * (kTileHeight + kLabelHeight + kGap);
    const BMM_Color_64* src = tile.storage->Pixels();
    for (int y = 0; y < kTileHeight; ++y)
      for (int x = 0; x < kTileWidth; ++x) {
        BMM_Color_64 c = ok ? src[y * kTileWidth + x] : BMM_Color_64{40000, 0, 0, 65535};
        // Uncovered pixels show as a dark check so transparency is visible.
        if (ok && c.a == 0)
          c = ((x / 8 + y / 8) % 2) ? BMM_Color_64{14000, 14000, 14000, 65535}
                                    : BMM_Color_64{20000, 20000, 20000, 65535};
        canvas.PlotColor(static_cast<float>(left + x), static_cast<float>(top + y), c);
      }
    canvas.SetDrawColor(ok ? BMM_Color_64{60000, 60000, 60000, 65535}
                           : BMM_Color_64{65535, 20000, 20000, 65535});
    DrawLabel(canvas, left + 1, top + kTileHeight + 4, ok ? op.name : op.name + " (failed)");
  }
  canvas.Store();
  if (!WriteImage(out, sheet, error)) {
    std::fprintf(stderr, "zarn: %s: %s\n", out.c_str(), error.c_str());
    return kExitFailed;
  }
  std::fprintf(stderr, "zarn: wrote %s (%d operations)\n", out.c_str(), count);
  return failures ? kExitFailed : kExitOk;
}

}  // namespace zarn::host
