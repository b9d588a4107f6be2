// Lines and curves: pen lines, ellipses and arcs, the recursive curves and
// the branching tree, with any coordinates, radii, angles and depths on a
// small canvas of random size and drawing state.
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Input in(data, size);
  auto bitmap = in.MakeBitmap();
  TreeCanvas c(nullptr, nullptr, bitmap.get());
  in.SetUp(c);
  c.heading = in.AnyFloat();
  c.spreadScale = in.AnyFloat(1);
  c.lengthScale = in.AnyFloat(1);
  c.branchCount = in.AnyInt(-1, 4);
  const int w = c.width, h = c.height;
  int displaced = 0;
  for (int step = 0; step < 12 && !in.Empty(); ++step) {
    const int op = in.Pick<int>(0, 22);
    switch (op) {
      case 0: c.DrawLine(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), in.AnyFloat(h)); break;
      case 1: c.DrawLineTo(in.AnyFloat(w), in.AnyFloat(h)); break;
      case 2: c.DrawLineBy(in.AnyFloat(w), in.AnyFloat(h)); break;
      case 3: c.DrawHLine(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w)); break;
      case 4: c.DrawVLine(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(h)); break;
      case 5: c.DrawBox(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), in.AnyFloat(h)); break;
      case 6: c.PlotQuad(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), in.AnyFloat(h)); break;
      case 7: c.DrawEllipse(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), in.AnyFloat(h)); break;
      case 8: c.DrawCircle(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w)); break;
      case 9: c.DrawArc(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), in.AnyFloat(), in.AnyFloat()); break;
      case 10: {
        Point2 out;
        c.PointAtAngle(Point2(in.AnyFloat(w), in.AnyFloat(h)), in.AnyFloat(), in.AnyFloat(w), out);
        break;
      }
      case 11: c.DrawKochSide(in.AnyFloat(), in.AnyFloat(w), in.Cheap(in.AnyInt(-2, 6), 5, 12)); break;
      case 12:
        c.DrawKochLine(Point2(in.AnyFloat(w), in.AnyFloat(h)), Point2(in.AnyFloat(w), in.AnyFloat(h)),
                       in.Cheap(in.AnyInt(-2, 6), 5, 12));
        break;
      case 13: c.DrawKochTriangle(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w)); break;
      case 14: c.DrawLevyCurve(in.AnyFloat(), in.AnyFloat(w), in.Cheap(in.AnyInt(-2, 12), 11, 24)); break;
      case 15:
        c.DrawDragonCurve(in.AnyFloat(), in.AnyFloat(w), in.Cheap(in.AnyInt(-2, 12), 11, 24),
                          in.AnyInt(-1, 2));
        break;
      case 16: c.DrawHilbertCurve(in.AnyFloat(4), in.AnyInt(-1, 4), in.Cheap(in.AnyInt(-2, 6), 5, 12)); break;
      case 17:
        c.DrawHilbertSquare(in.AnyFloat(w), in.AnyInt(-1, 4), in.Cheap(in.AnyInt(-2, 6), 5, 12));
        break;
      case 18:
      case 19: {
        // Twenty levels of splitting is a million lines, which any huge or
        // tiny-limit segment reaches: one such figure in sixteen inputs;
        // the others keep to segments near the canvas and limits of a pixel.
        if (displaced++) break;
        const bool full = in.Pick<int>(0, 15) == 0;
        auto near = [&](float v, int extent) {
          return full || (std::isfinite(v) && std::fabs(v) <= 4.0f * (extent + 1)) ? v : 0.5f * extent;
        };
        float limit = in.AnyFloat(4);
        if (!full && !(limit >= 1.0f)) limit = 1.0f;
        const float x1 = near(in.AnyFloat(w), w), y1 = near(in.AnyFloat(h), h);
        const float x2 = near(in.AnyFloat(w), w), y2 = near(in.AnyFloat(h), h);
        const float factor = in.AnyFloat(1), scale = in.AnyFloat(1);
        if (op == 18) c.DisplaceSegment(Point2(x1, y1), Point2(x2, y2), factor, limit, scale);
        else c.DrawFractalLine(x1, y1, x2, y2, factor, limit, scale);
        break;
      }
      case 20: {
        // Keep the tree to a few thousand segments unless the library is
        // to refuse it.
        int depth = in.AnyInt(-2, 8);
        const long long branches = c.branchCount > 1 ? c.branchCount : 1;
        long long segments = 1, level = 1;
        for (int d = 0; d < depth && d < 1100 && segments <= (1 << 25); ++d) {
          level *= branches;
          segments += level;
        }
        if (segments > 4096 && segments <= (1 << 24) && depth <= 1024) depth = branches > 1 ? 4 : 64;
        c.DrawTree(Point2(in.AnyFloat(w), in.AnyFloat(h)), in.AnyFloat(), in.AnyFloat(w), in.AnyFloat(),
                   depth);
        break;
      }
      case 21: c.MovePen(in.AnyFloat(w), in.AnyFloat(h)); break;
      case 22: c.SetDrawColor(in.Color()); break;
    }
  }
  c.Store();
  return 0;
}
