// Drawing with one colour straight into a host bitmap, one PutPixels call
// per pixel, without a canvas. Each answers 1 when done and 0 as soon as the
// host refuses a pixel; pixels written before the refusal stay written.
//
// PutMaskBands lays out bands of 16 mask rows of bytesPerRow bytes each,
// most significant bit leftmost; band b covers rows y - 16 b ... y - 16 b +
// 15 (later bands stack upward) and every row starts at column x. Set bits
// off the bitmap are skipped, clear bits leave the pixel alone, a zero byte
// costs nothing:
//
//   bands 2, y 20:   rows  4..19  band 1
//                    rows 20..35  band 0
#pragma once
#include <cstdint>

#include "hostsdk/bitmap.h"

// 1 and nothing drawn for bands, bytesPerRow below 1; 0 for a null bitmap or
// mask otherwise.
int PutMaskBands(Bitmap *bitmap, int x, int y, int bytesPerRow, int bands,
                 const std::uint8_t *mask, BMM_Color_64 colour);
// Pixels (x, y) ... (x + count - 1, y). Negative columns are skipped; the
// others go to the host as they are, so a run past the right edge or off
// the rows answers 0 from a host that refuses them. 1 for count below 1;
// 0 for a null bitmap otherwise.
int BitmapHRun(Bitmap *bitmap, int x, int y, int count, BMM_Color_64 colour);
// As BitmapHRun down the column x, negative rows skipped.
int BitmapVRun(Bitmap *bitmap, int x, int y, int count, BMM_Color_64 colour);
