// Resource ids shared by the resource script and the dialog code. Plain
// macros, because the resource compiler reads this file too.
#pragma once

#define ZARN_ABOUT_DIALOG 101
#define ZARN_CONTROL_DIALOG 102
#define ZARN_LOGO_BITMAP 102

#define ZARN_FLIP_HORIZONTAL 1002
#define ZARN_FLIP_VERTICAL 1003
