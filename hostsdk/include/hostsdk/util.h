// Host helpers the library calls.
#pragma once
#include <cstdint>

#include "platform/win.h"

// Hue, saturation and value of an 8-bit colour (red in the low byte); each
// on a 0-255 scale, hue 0 for greys.
void RGBtoHSV(std::uint32_t rgb, int* hue, int* saturation, int* value);

// Centres a window over its parent (over the screen when there is none).
BOOL CenterWindow(HWND window, HWND parent);

// Initialises the host's own controls; counted so a host can check it ran.
void InitCustomControls(HINSTANCE instance);
int CustomControlsInitCount();
