// The toolkit's working image: a private, contiguous buffer of 64-bit
// colours read from a host bitmap, with a drawing state and access to the
// bitmap's extra per-pixel channels.
//
// Shared rules for every operation declared here:
// - Pixel (x, y) is element y * width + x of `pixels`; x is the column, y the
//   row, row 0 is the bitmap's row 0 and is shown at the top.
// - Float coordinates are inside when 0 <= x < width and 0 <= y < height
//   (NaN is outside) and are truncated toward zero; anything outside is
//   dropped without a report.
// - A canvas whose buffers could not be allocated is empty (width and height
//   0, `pixels` null): no operation writes anything and Store writes nothing.
// - Operations take any argument values without crashing, hanging or writing
//   outside the canvas's arrays.
#pragma once
#include <cstddef>
#include <cstdint>

#include "hostsdk/bitmap.h"
#include "hostsdk/filter.h"
#include "hostsdk/geometry.h"
#include "hostsdk/strings.h"
#include "platform/win.h"

// Messages the long operations send to the canvas's window for each row:
// progress with wParam = row and lParam = last row, then the abort query
// with lParam = the address of the canvas's abort flag, which the receiver
// sets to stop the operation.
constexpr UINT CANVAS_PROGRESS = 1056;
constexpr UINT CANVAS_QUERY_ABORT = 1057;

// Three colour components in 0..1, passed as one 12-byte value.
struct RGBColor {
  float r;
  float g;
  float b;
};
static_assert(sizeof(RGBColor) == 12);

// r, g, b times 65535, truncated, low 16 bits kept (no clamping); alpha 65535.
void ToColor64(float r, float g, float b, BMM_Color_64 &out);

// Turns (x, y) by radians counter-clockwise in the usual axes: cos and sin
// in double, the products cos * x and sin * x rounded to float before the
// difference and sum, both results rounded to float.
void RotatePoint(float* x, float* y, float radians);
// 1 when (x, y) lies in the spike 0 <= y <= length * (1 - |x|), else 0
// (also for NaN).
int InSpike(float x, float y, float length);

class Canvas {
public:
  Canvas(HWND window, ImageFilterInfo *filterInfo, Bitmap *bitmap);
  ~Canvas();
  Canvas(const Canvas &) = delete;
  Canvas &operator=(const Canvas &) = delete;

  // ---- Core -------------------------------------------------------------

  // Writes every row of `pixels` back into the bitmap, row 0 first.
  virtual void Store();

  // False when the canvas could not get its buffers and is empty.
  bool HasPixels() const { return pixels != nullptr; }

  // A new zero-filled copy of the bitmap at its current size, owned by the
  // caller (release with std::free); null when memory is short.
  BMM_Color_64 *ReadBitmap();
  void LoadPixels();

  // ORs typeBit into channelMask; for 1, 2 and 4 fetches that channel's
  // pointer and answers 1 when there is one. Other values answer 0.
  int RequestChannel(int typeBit);

  void SetDrawColor(BMM_Color_64 color) { drawColor = color; }
  void SetSecondColor(BMM_Color_64 color) { secondColor = color; }
  void SetDrawColorRGB(RGBColor color) {
    ToColor64(color.r, color.g, color.b, drawColor);
  }
  void SetFont(LOGFONTA record) { font = record; }
  // Face names longer than 31 characters are cut to 31.
  void SetFontFace(int height, const char *face);

  // How far the current frame is through the host's frame span, in percent;
  // 0 without filter information or for an empty span.
  int ProgressPercent() const;

  // ---- Mirror operations --------------------------------------------------

  // Pixel (x, y) takes the value of pixel (width - 1 - x, y).
  void MirrorHorizontal();
  // Pixel (x, y) takes the value of pixel (x, height - 1 - y).
  void MirrorVertical();
  // Column x to and from a buffer of `height` colours; x is not checked.
  void ReadColumn(int x, BMM_Color_64 *buffer) const;
  void WriteColumn(int x, const BMM_Color_64 *buffer);

  // ---- Pixel access -------------------------------------------------------

  bool Contains(float x, float y) const {
    return x >= 0.0f && static_cast<float>(width) > x && y >= 0.0f &&
           static_cast<float>(height) > y;
  }
  // Element of an inside float point.
  std::size_t IndexOf(float x, float y) const {
    return static_cast<std::size_t>(static_cast<int>(y)) *
               static_cast<std::size_t>(width) +
           static_cast<std::size_t>(static_cast<int>(x));
  }

  void Plot(float x, float y) {
    if (Contains(x, y))
      pixels[IndexOf(x, y)] = drawColor;
  }
  void PlotColor(float x, float y, BMM_Color_64 color) {
    if (Contains(x, y))
      pixels[IndexOf(x, y)] = color;
  }
  // Outside: 0, out untouched. Inside: out = the pixel, 1 when its alpha is
  // non-zero.
  int ReadPixel(float x, float y, BMM_Color_64 &out) const {
    return ReadPixelFrom(x, y, pixels, out);
  }
  // As ReadPixel, from a buffer laid out like `pixels`; a null buffer (a
  // SourceCanvas's sourcePixels after a failed allocation) reads as outside.
  int ReadPixelFrom(float x, float y, const BMM_Color_64 *buffer,
                    BMM_Color_64 &out) const {
    if (!buffer || !Contains(x, y))
      return 0;
    out = buffer[IndexOf(x, y)];
    return out.a != 0 ? 1 : 0;
  }
  // Byte channel when bit 2 was requested, else the 16-bit channel when bit
  // 4 was; 0 outside or when that channel is missing.
  std::uint32_t ReadIdChannel(int x, int y) const;
  // The float channel at (x, y); 0.0 outside or when it is missing.
  float ReadFloatChannel(int x, int y) const;

  // ---- Glyph text -----------------------------------------------------------
  //
  // Glyphs come from the platform's glyph service in `font`: each character
  // (one byte, or a lead byte of the multi-byte code page and its trail
  // byte) is drawn with its black box gmptGlyphOrigin.x right of the pen and
  // gmptGlyphOrigin.y above the baseline, which lies tmExternalLeading +
  // tmAscent below y; then the pen moves by gmCellIncX, gmCellIncY.
  //
  //   y            +---------+---------    top of the line
  //                |  box    |
  //   baseline ----+---##----+--##-----    y + tmExternalLeading + tmAscent
  //                x         x + gmCellIncX of the first glyph
  //
  // A glyph with an empty bitmap (a space) or whose bitmap cannot be had
  // only moves the pen. A lead byte at the end of the text ends it. When a
  // glyph buffer cannot be allocated, a box "Unable to allocate memory."
  // captioned "Memory Error" (MB_ICONERROR) is shown, owned by `window`, and
  // the text stops there; what was drawn stays. Every font, context and
  // buffer is released on every way out.

  void PrintText(int x, int y, CStr text);
  // Plots the set bits of rows x bytesPerRow bytes of mask, most significant
  // bit leftmost, top-left at (x, y); a zero byte skips 8 columns. Nothing
  // for null bits, rows or bytesPerRow below 1, or a mask above 2^31 bytes.
  //
  //   byte 0x81 at column x:   # . . . . . . #
  void PlotBits(int x, int y, int bytesPerRow, int rows, const unsigned char* bits);

  // ---- Block transfer and reduction --------------------------------------
  //
  // Blocks are caller arrays of w * h colours with row stride w. CopyBlock
  // and PasteBlock clip at every edge: only canvas pixels are read or
  // written, and entries of dst for pixels off the canvas stay as they were.
  // Cell means sum r, g, b over the cell's pixels on the canvas and divide by
  // the full cell area (truncating); alpha becomes 65535.
  //
  //   Reduce(x, y, 0.5, 0.5) on 4 x 4:   A A B B        a b . .
  //   (a = mean of the A block, . =      A A B B   ->   c d . .
  //    secondColor)                      C C D D        . . . .
  //                                      C C D D        . . . .

  // Every pixel becomes secondColor.
  void Clear();
  // The canvas's w x h block at (x, y) into dst; always 1.
  int CopyBlock(int x, int y, int w, int h, BMM_Color_64 *dst);
  // The w x h block src onto the canvas at (x, y).
  void PasteBlock(int x, int y, int w, int h, const BMM_Color_64 *src);
  // Mean of cell (col, row) of a grid of cellWidth x cellHeight cells; out is
  // left alone for a cell size below 1.
  void CellAverage(int col, int row, int cellWidth, int cellHeight,
                   BMM_Color_64 *out) const;
  // The cols x rows grid of cell means, cells width / cols by height / rows
  // (truncated); release with std::free. Null when cols or rows is below 1,
  // when a cell would be empty (cols > width or rows > height) or when memory
  // is short.
  BMM_Color_64 *CellAverages(int cols, int rows) const;
  // The picture shrunk to trunc(width * fx) x trunc(height * fy) cell means,
  // placed at (x, y) on a cleared canvas. Factors must lie in (0, 1]; others
  // leave the canvas unchanged, as does a grid that cannot be allocated. A
  // factor that shrinks a side to nothing clears the canvas.
  void Reduce(int x, int y, float fx, float fy);
  // Reduce with the shrunk picture centred.
  void ReduceCentered(float fx, float fy);
  // Draws the library's bitmap resource with its top-left corner at penPos,
  // 8-bit channels widened by a shift of 8. 1 when drawn, 0 when the
  // resource could not be loaded (always 0 outside the Windows build).
  int DrawBitmapResource(int resourceId);

  // ---- Warp and geometric transforms -------------------------------------
  //
  // Warp maps the picture held by the host bitmap forward onto the canvas
  // cleared to secondColor: source pixel (x, y) lands at the bilinear blend
  // of the corner images P0..P3 of Q0 = (0, 0), Q1 = (W, H), Q2 = (0, H),
  // Q3 = (W, 0), and is splatted over the 2 x 2 pixels around it, each
  // averaging with what is there. Positions that are not finite or lie off
  // the canvas are dropped. The transforms keep an anchor point fixed:
  //
  //   anchor   Scale      Rotate     TiltVertical  TiltHorizontal
  //     0      (W/2,H/2)  (W/2,H/2)  (W/2,H/2)     (W/2,H/2)
  //     1      (W,0)      (W,0)      (W/2,0)       (W,H/2)
  //    -1      (0,H)      (0,H)      (W/2,H)       (0,H/2)
  //     2      (0,0)      -          -             -
  //
  // Any other code leaves the canvas unchanged. Angles are in degrees; a
  // positive rotation turns the picture counter-clockwise on the screen.

  // Pixel (x, y) becomes colour when it is on the canvas.
  void PutPixel(int x, int y, BMM_Color_64 colour);
  // colour's r, g, b times weight; averaged with an opaque pixel already
  // there (the result then opaque), then put.
  void BlendPixel(int x, int y, BMM_Color_64 colour, float weight);
  // BlendPixel at (cx-1, cy-1), (cx-1, cy), (cx, cy-1), (cx, cy), with
  // cx = ceil(x) and cy = ceil(y).
  void Splat(float x, float y, BMM_Color_64 colour);
  // Clears the canvas and maps the bitmap's picture onto corners P0..P3. A
  // row the bitmap cannot give is taken as transparent black. Without memory
  // for its row buffer the picture is left as it was.
  void Warp(float x0, float y0, float x1, float y1, float x2, float y2,
            float x3, float y3);
  // As Warp; false when memory was short and the picture is untouched.
  bool TryWarp(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3);
  void ScaleImage(int anchor, float sx, float sy);
  void RotateImage(int anchor, float degrees);
  // Tilts about a horizontal axis: the height becomes H * cos(degrees) and
  // the edge away from the anchor narrows by 1 - 2 * k * sin(degrees).
  void TiltVertical(int anchor, float degrees, float k);
  // As TiltVertical with the axes exchanged.
  void TiltHorizontal(int anchor, float degrees, float k);
  // The picture shrunk by fx, fy (each at least 1, not both 1) and repeated
  // from a corner: mode 0 top-left, 1 bottom-right, 2 bottom-left,
  // 3 top-right; partial tiles at the far sides are clipped. Other modes
  // leave the shrunk picture alone in the top-left corner.
  void TileImage(int mode, float fx, float fy);

  // ---- Saturation and mosaic ---------------------------------------------
  //
  // id selects the pixels written: -1 every pixel, any other value those
  // whose ReadIdChannel equals it. grey = (30 r + 59 g + 11 b) / 100.

  // Each channel becomes grey + (c - grey) * percent / 100 (truncating),
  // clamped to 0..65535: 0 gives grey, 100 the original. Alpha is kept.
  void AdjustSaturation(int percent, int id);
  // Each cellWidth x cellHeight cell (cut at the edges) becomes the mean of
  // its pixels of non-zero alpha, opaque. Cells without such a pixel, sizes
  // below 1 and 1 x 1 cells are left unchanged.
  void Mosaic(int cellWidth, int cellHeight, int id);

  // ---- Mandelbrot ----------------------------------------------------------
  //
  // Plane point (x0, y0) is sampled at pixel (0, 0) and (x1, y1) at
  // (cols - 1, rows - 1); a point whose orbit leaves |z| <= 2 after k steps
  // gets grey floor((1 - k / maxIterations) * 65535), the set itself black.
  // All arithmetic is in 32-bit floats.

  // Steps of z -> z * z + c, from z = c, until |z| > 2: 1 when c is already
  // outside, maxIterations + 1 when the orbit stays inside.
  int EscapeCount(float cx, float cy, int maxIterations) const;
  // Draws nothing for cols or rows below 2 or maxIterations below 1.
  void RenderMandelbrot(float x0, float y0, float x1, float y1,
                        int maxIterations, int cols, int rows);
  // PlotColor with (v, v, v, 65535), v's low 16 bits.
  void PlotGrey(float x, float y, int v);

  // ---- Depth and star glow -----------------------------------------------
  //
  // Depths come from the float channel (RequestChannel(BMM_CHAN_FLOAT));
  // -z is a pixel's distance, a depth of 1e30 or more (or NaN) marks a
  // pixel without depth.

  // Smallest and largest |z| below 1e20 over width * height depths, and
  // their difference. With none: min 1e20, max 0, span -1e20. A null depth
  // array counts as none; null outputs are skipped. Always 1.
  int DepthRange(const float* depth, float* min, float* max, float* span) const;
  // Selected pixels become grey (v, v, v, v): 65535 at the nearest depth,
  // 0 at the farthest and for pixels without depth. A uniform depth gives
  // 65535; depths above zero clamp to 65535. Without the float channel the
  // picture is left unchanged.
  void DepthToGrey(int id);
  // Adds colour, weighted from 1 at the centre to 0 at the tips, to the
  // pixels of `rays` spikes of length radius around (cx, cy), the first at
  // startDegrees; each pixel takes the first spike that covers it. Rows and
  // columns cx + radius, cy + radius are not visited, the tips weigh 0:
  //
  //   DrawStar(2, 2, c, 2, 4, 0)   . . . . .     (x gets light: the tips
  //                                . . x . .      at (2, 0) and (0, 2)
  //                                . x x x .      weigh nothing or fall
  //                                . . x . .      just outside their
  //                                . . . . .      spikes)
  //
  // Nothing is drawn for rays or radius below 1, a radius of 46341 or more
  // (its square leaves 32 bits), more than kMaxStarRays rays, or for the
  // spikes whose angle is not finite.
  void DrawStar(int cx, int cy, BMM_Color_64 colour, int radius, int rays, float startDegrees);

  // Past this many spikes even the largest star's spikes touch at its tip.
  static constexpr int kMaxStarRays = 1 << 19;

  // ---- Pen and lines ------------------------------------------------------
  //
  // Coordinates are floats and reach Plot unrounded. DrawLine walks the
  // longer axis in steps of exactly 1.0 from the float endpoint with the
  // smaller major coordinate, stepping the minor axis by an error term (ties
  // step for a rising line, not for a falling one), so A->B and B->A set the
  // same pixels:
  //
  //   DrawLine(0, 0, 4, 2)   x . . . .     DrawLine(0, 2, 4, 0)   . . . . x
  //                          . x x . .                            . . x x .
  //                          . . . x x                            x x . . .
  //
  // Segments are cut to the canvas before walking and the pixels set are
  // those of the full walk. The cost follows the visible part when the error
  // term stays exact in floats (whole and half-pixel ends, say); otherwise
  // the stretch before the canvas is stepped through unplotted. A segment
  // with a non-finite endpoint draws nothing; one with an endpoint at or
  // beyond 2^24 in magnitude (where a float step of 1 is lost) is first cut
  // to the canvas grown by 2 pixels, and walked from there. Runs start at
  // (x, y) and set ceil(length) pixels (none for length <= 0). The pen is
  // left where each line says.

  void MovePen(float x, float y) { penPos = Point2(x, y); }
  // Pen (x2, y2).
  void DrawLine(float x1, float y1, float x2, float y2);
  // From the pen; pen (x, y).
  void DrawLineTo(float x, float y);
  // From the pen by (dx, dy); pen at the new end.
  void DrawLineBy(float dx, float dy);
  // Rightward run; pen on the last pixel, or at (x - 1, y) for an empty run.
  void DrawHLine(float x, float y, float length);
  // Downward run; pen on the last pixel, or at (x, y - 1) for an empty run.
  void DrawVLine(float x, float y, float length);
  // Outline of four runs of length x2 - x1 and y2 - y1 (corners ordered
  // first); the (x2, y2) corner stays unset. Pen at the end of the last run.
  void DrawBox(float x1, float y1, float x2, float y2);
  // Runs of length x2 - x1 on the rows y1, y1 + 1, ... up to y2 (columns
  // up to x2 - 1 for whole numbers). Pen at the end of the last run.
  void FillBox(float x1, float y1, float x2, float y2);
  // out = centre + (cos a, -sin a) * distance: counter-clockwise on the
  // screen, 0 right, pi/2 up.
  void PointAtAngle(Point2 centre, float angle, float distance,
                    Point2 &out) const;

  // ---- Ellipses, discs and arcs -------------------------------------------
  //
  // Angles in degrees, counter-clockwise on the screen as PointAtAngle. The
  // ellipse is the integer midpoint method over trunc(rx), trunc(ry) with
  // 64-bit decision terms; y starts at ry unrounded, so fractional radii
  // plot ry, ry - 1, ... Radii beyond 2^20 in magnitude draw nothing.
  //
  //   DrawCircle(2, 2, 1)   . . . . .      FillCircle(2, 2, 1)   . . . . .
  //                         . x x x .                            . x x . .
  //                         . x . x .                            . x x . .
  //                         . x x x .                            . . . . .

  // (cx +- x, cy +- y), points on an axis once. Pen unchanged.
  void PlotQuad(float x, float y, float cx, float cy);
  // Pen (cx, cy).
  void DrawEllipse(float cx, float cy, float rx, float ry);
  void DrawCircle(float cx, float cy, float r);
  // Cells with a corner strictly inside radius r; rows examined span
  // cy -+ aspect * r, the bitmap's pixel aspect. Pen (cx, cy).
  void FillCircle(float cx, float cy, float r);
  // Chain of segments in steps of max(1, span * arcSegments / 360) degrees,
  // ending on the end angle; at most 65536 steps (a longer sweep only
  // retraces the circle). Start and end are ordered first. Pen on the end.
  void DrawArc(float cx, float cy, float radius, float start, float end);
  // Both radii from the pen, then the arc from start to start + sweep. Pen
  // on the arc's end.
  void DrawPie(float radius, float start, float sweep);

  // ---- Recursive curves -------------------------------------------------
  //
  // Koch, Levy and dragon step with DrawLineBy(cos a * L, sin a * L): angles
  // in degrees clockwise on the screen (0 right, 90 down). The Hilbert curve
  // takes unit steps of `step` from the pen, directed by the two tables
  // (direction 0 down, 1 left, 2 up, 3 right). Every figure starts at the
  // pen and leaves it at its end. Arguments a figure cannot finish draw
  // nothing: depths above 12 (Koch, Hilbert) or 24 (Levy, dragon), Hilbert
  // orientations outside 0..3, displacement with a limit that is not
  // positive and finite, or a factor whose pieces never shrink: above 1 in
  // magnitude (a dimension below 0.5), or exactly 1 with |scale| of
  // sqrt(3) / 2 or more. Displacement stops splitting after 20 levels.
  //
  //   DrawKochLine((0,0), (9,0), 1):  x x x x . . x x x x   (bump below)
  //                                   . . . . x x . . . .
  //                                   . . . . x x . . . .

  static const std::int32_t hilbertChildOrientation[4][4];
  static const std::int32_t hilbertMoves[4][3];

  void DrawKochSide(float angle, float length, int depth);
  // From `from` (the pen moves there first) toward `to`.
  void DrawKochLine(Point2 from, Point2 to, int depth);
  // Depth-4 Koch curves on the sides of the triangle of MakePolygonPoints,
  // bumps inward. Pen back at the top.
  void DrawKochTriangle(float cx, float cy, float r);
  void DrawLevyCurve(float angle, float length, int depth);
  // side 0 turns +45 then -90, any other side -45 then +90.
  void DrawDragonCurve(float angle, float length, int depth, int side);
  void DrawHilbertCurve(float step, int orientation, int depth);
  // Step size / 63: depth 6 spans size.
  void DrawHilbertSquare(float size, int orientation, int depth);
  // Midpoint displacement from the pen (at a) to b; s is multiplied by
  // factor at each level and the midpoint moved by s times the segment
  // turned right. Pieces end when their squared length is below limit.
  void DisplaceSegment(Point2 a, Point2 b, float factor, float limit,
                       float scale);
  // Moves to (x1, y1), then DisplaceSegment with factor
  // exp(log10(2) * (0.5 - dimension)). Pen (x2, y2).
  void DrawFractalLine(float x1, float y1, float x2, float y2, float dimension,
                       float limit, float scale);

  // ---- Polygons and parametric curves ---------------------------------------
  //
  // Angles run clockwise on the screen; the first vertex is straight above
  // the centre. For n = 3:   . . 0 . .      0 top, 1 lower right,
  //                          . . . . .      2 lower left, 3 = 0 again
  //                          2 . . . 1

  // n + 1 points (the last repeats the first), owned by the caller
  // (delete[]). Null for n < 3, n above 2^24 or when memory is short.
  Point2 *MakePolygonPoints(float cx, float cy, float r, int n) const;
  // Joins points[0..count-1]; pen on the last. Nothing for null or count < 1.
  void DrawPolyline(const Point2 *points, int count);
  // Pen back at the first vertex. Nothing for n < 3.
  void DrawRegularPolygon(float cx, float cy, float r, int n);
  // The n-gon and all its diagonals; nothing for n < 3 or n above 4096.
  void DrawPolygonWeb(float cx, float cy, float r, int n);
  // arcSegments * k / 2 segments for t in 0..about pi, offsets truncated to
  // whole numbers. Nothing for arcSegments < 1 or more than 2^24 segments;
  // for k <= 0 only the pen moves.
  void DrawRose(float cx, float cy, float radius, int k);
  // |X/a|^n + |Y/b|^n = 1 in 4 * (arcSegments - 1) segments from the right
  // point, counter-clockwise; a negative cosine or sine counts as 0 when
  // 2 / n is not a whole number (it has no real power then).
  // Nothing for arcSegments < 2 or above 2^22.
  void DrawSuperellipse(float cx, float cy, float a, float b, float n);

  // ---- Fields -------------------------------------------------------------

  HWND window;
  ImageFilterInfo *filterInfo;
  Bitmap *bitmap;
  BMM_Color_64 *pixels;
  BMM_Color_64 drawColor;
  BMM_Color_64 secondColor;
  float *channel1;
  std::uint16_t *channel4;
  std::uint8_t *channel2;
  std::uint32_t channelMask;
  Point2 penPos;
  std::int32_t width;
  std::int32_t height;
  std::int32_t arcSegments;
  LOGFONTA font;

protected:
  // Empties the canvas after a failed allocation.
  void DropPixels();
};

// Sends the text to the combo box `window` of the canvas; 0 when there is no
// window.
int AddComboString(Canvas &canvas, const CStr &text);

class SourceCanvas : public Canvas {
public:
  SourceCanvas(HWND window, ImageFilterInfo *filterInfo, Bitmap *bitmap);
  ~SourceCanvas();

  // ---- Source blur and sparkle -------------------------------------------
  //
  // These read the picture as loaded (`sourcePixels`) and write `pixels`,
  // so a result never feeds its neighbours. Blur, DepthBlur and Sparkle
  // clear `aborted`, then before each row send CANVAS_PROGRESS and
  // CANVAS_QUERY_ABORT to `window` (nothing when it is null) and stop when
  // `aborted` has become non-zero: rows before it are done, the rest
  // untouched. id selects the pixels written as for AdjustSaturation.
  //
  //   Blur(-1, 1) on    1 2 3     each pixel: the mean (truncated) of the
  //                     4 5 6     square of side 2 * radius + 1 around it,
  //                               cut at the edges; alpha is kept.

  // out's r, g, b = the means of sourcePixels over the square around
  // (x, y), every pixel weighted alike whatever its alpha; out is left
  // alone for radius < 1 or a square wholly off the canvas.
  void BoxAverageSource(int x, int y, int radius, BMM_Color_64* out) const;
  // BoxAverageSource over every selected pixel. The cost does not grow
  // with the radius.
  void Blur(int id, int radius);
  // Blur with a radius per pixel: |-z - focus| * 2 * maxRadius / range,
  // truncated and at most maxRadius, so sharp at -z = focus and maxRadius
  // from range / 2 away. Pixels without depth take z = range. Refused (no
  // message, nothing changed) unless range is positive and finite, focus
  // finite and maxRadius >= 0.
  void DepthBlur(int id, float focus, float range, int maxRadius);
  // A star (DrawStar) on each selected pixel whose value V of RGBtoHSV of
  // its 8-bit source colour (high bytes) is at least threshold: in colour
  // when useColour is 1, else in the source pixel's own colour.
  void Sparkle(int id, int useColour, BMM_Color_64 colour, int radius, int threshold, int rays,
               float startDegrees);

  // Sends the two messages for row y; true when the receiver asked to stop.
  bool QueryAbort(int y);

  // A second read of the bitmap, never written by the operations.
  BMM_Color_64 *sourcePixels;
  // Set non-zero by the host, in answer to the abort query, to stop.
  std::int32_t aborted;
};

class TurtleCanvas : public Canvas {
public:
  TurtleCanvas(HWND window, ImageFilterInfo *filterInfo, Bitmap *bitmap);

  // ---- Turtle and L-tromino tilings -----------------------------------
  //
  // heading is in degrees, counter-clockwise on the screen (0 right, 90 up)
  // and never reduced; Turn(a) turns right by a (heading - a). An L of size
  // s in the turtle's frame (u forward, v left) runs (0,0) (s,0) (s,s/2)
  // (s/2,s/2) (s/2,s) (0,s) (0,0) and adds 360 to the heading. A tiling of
  // depth d is four half-size tilings of depth d - 1; depth 0 is the L,
  // depth -1 a square turning left. Depths below -1 or above 10 draw
  // nothing; spirals draw at most 2^24 steps.

  // Along the heading; pen at the end.
  void Forward(float length);
  void MoveForward(float length);
  void Turn(float angle) { heading = heading - angle; }
  // count times: Forward(length), Turn(angle), length += increment.
  void DrawPolySpiral(float length, float angle, float increment, int count);
  void DrawLShape(float size);
  // Leaves set the heading and start at their corner; pen and heading end
  // at the last leaf's corner, its heading + 360.
  void DrawLTiling(float x, float y, float size, float h, int depth);
  // Tilings of depth, depth - 1, ..., -1, each half the size and placed at
  // the inner corner of the one before: together a square of side size.
  void DrawLCascade(float x, float y, float size, float h, int depth);

  // Heading in degrees.
  float heading;
};

class FigureCanvas : public TurtleCanvas {
public:
  using TurtleCanvas::TurtleCanvas;
};

class TreeCanvas : public TurtleCanvas {
public:
  TreeCanvas(HWND window, ImageFilterInfo *filterInfo, Bitmap *bitmap);

  // ---- Branching tree ---------------------------------------------------
  //
  // A trunk from base at angle (degrees, counter-clockwise as PointAtAngle),
  // then branchCount children fanned evenly over angle -+ spread / 2 in
  // increasing angle, each lengthScale as long with spreadScale times the
  // spread, to depth levels. A tree of more than 2^24 segments or 1024
  // levels draws nothing. Pen at the end of the last branch drawn.
  void DrawTree(Point2 base, float angle, float length, float spread,
                int depth);

  float spreadScale;
  float lengthScale;
  std::int32_t branchCount;
};
