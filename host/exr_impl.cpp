// The one translation unit that holds tinyexr's implementation, over zlib.
#define TINYEXR_USE_MINIZ 0
#define TINYEXR_USE_THREAD 1
#define TINYEXR_USE_OPENMP 0
#define TINYEXR_IMPLEMENTATION
#include <zlib.h>
#include <tinyexr.h>
