#pragma once
// Scaling pictures to an exact size. Each axis is scaled on its own (the
// aspect ratio is whatever the caller asks for): a shrinking axis averages
// the source pixels over the area each output pixel covers, an enlarging
// axis interpolates linearly between the two nearest source pixels.
// No Win32 here.
#include "framework/imaging/bitmap.h"

namespace framework {

// A width x height copy of source: 32 bits per pixel for a 32-bit source
// (all four bytes averaged), 24 bits otherwise (palette pictures are
// converted first). An empty source or size gives an empty bitmap.
Bitmap Resample(const Bitmap& source, int width, int height);

}  // namespace framework
