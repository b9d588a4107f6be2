// Polygons, parametric curves and turtle figures (spirals, L shapes,
// L-tromino tilings and cascades) with any centre, radius, count, angle and
// arc resolution on a small canvas of random size and drawing state.
#include <vector>

#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Input in(data, size);
  auto bitmap = in.MakeBitmap();
  FigureCanvas c(nullptr, nullptr, bitmap.get());
  in.SetUp(c);
  c.heading = in.AnyFloat();
  const int w = c.width, h = c.height;
  for (int step = 0; step < 12 && !in.Empty(); ++step) {
    switch (in.Pick<int>(0, 15)) {
      case 0: {
        Point2* points = c.MakePolygonPoints(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w),
                                             in.Cheap(in.AnyInt(-1, 12), 4096, 1 << 24));
        delete[] points;
        break;
      }
      case 1: {
        const int n = in.Cheap(in.AnyInt(-1, 12), 4096, 1 << 24);
        Point2* points = c.MakePolygonPoints(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), n);
        if (points) c.DrawPolyline(points, in.Pick<int>(-1, n + 1));
        delete[] points;
        break;
      }
      case 2: {
        std::vector<Point2> points(in.Pick<int>(0, 6), Point2(0.0f, 0.0f));
        for (Point2& p : points) p = Point2(in.AnyFloat(w), in.AnyFloat(h));
        c.DrawPolyline(points.empty() && in.Bool() ? nullptr : points.data(),
                       points.empty() ? in.AnyInt() : static_cast<int>(points.size()));
        break;
      }
      case 3:
        c.DrawRegularPolygon(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w),
                             in.Cheap(in.AnyInt(-1, 12), 4096, 1 << 24));
        break;
      case 4:
        c.DrawPolygonWeb(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w),
                         in.Cheap(in.AnyInt(-1, 12), 64, 4096));
        break;
      case 5: {
        // arcSegments * k / 2 segments: keep them in the tens of thousands.
        int k = in.AnyInt(-2, 9);
        const long long segs = static_cast<long long>(c.arcSegments) * k / 2;
        if (segs > 40000 && segs <= (1 << 24)) k = 40000 * 2 / (c.arcSegments > 0 ? c.arcSegments : 1);
        c.DrawRose(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), k);
        break;
      }
      case 6:
        c.DrawSuperellipse(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(4));
        break;
      case 7: c.Forward(in.AnyFloat(w)); break;
      case 8: c.MoveForward(in.AnyFloat(w)); break;
      case 9: c.Turn(in.AnyFloat()); break;
      case 10:
        c.DrawPolySpiral(in.AnyFloat(w), in.AnyFloat(), in.AnyFloat(2),
                         in.Cheap(in.AnyInt(-1, 40), 2000, 1 << 24));
        break;
      case 11: c.DrawLShape(in.AnyFloat(w)); break;
      case 12:
        c.DrawLTiling(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), in.AnyFloat(),
                      in.Cheap(in.AnyInt(-3, 5), 5, 10));
        break;
      case 13:
        c.DrawLCascade(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), in.AnyFloat(),
                       in.Cheap(in.AnyInt(-3, 5), 5, 10));
        break;
      case 14: c.arcSegments = in.Cheap(in.AnyInt(-2, 72), 720, 1 << 24); break;
      case 15: c.MovePen(in.AnyFloat(w), in.AnyFloat(h)); break;
    }
  }
  c.Store();
  return 0;
}
