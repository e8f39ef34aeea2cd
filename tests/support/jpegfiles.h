#pragma once
// JPEG files made by the tests themselves: pictures far larger than the
// program can hold whole, compressed a row at a time, and the EXIF
// orientation that cameras and phones record.
#include <functional>
#include <string>

#include "framework/imaging/bitmap.h"

// The colour of the pixel at (x, y).
using JpegPainter = std::function<framework::Rgb(int x, int y)>;

// A baseline JPEG of width x height compressed row by row, so that even a
// 16000 x 9000 picture needs only one row of memory to make.
std::string StreamedJpeg(int width, int height, int quality, const JpegPainter& paint);
// The same grey, or in colour with the brightness sampled hSampling x
// vSampling times as densely as the colour (2 x 2 is 4:2:0, 2 x 1 4:2:2,
// 1 x 1 4:4:4).
struct JpegLayout {
  bool grey = false;
  int hSampling = 2;
  int vSampling = 2;
};
std::string StreamedJpeg(int width, int height, int quality, const JpegLayout& layout, const JpegPainter& paint);

// The JPEG with an EXIF block (APP1, IFD0 holding the orientation tag
// 0x0112 after another tag) put right after its start marker; the TIFF
// numbers in Intel ("II") or Motorola ("MM") byte order.
std::string WithExifOrientation(const std::string& jpeg, int orientation, bool motorola = false);
// The APP1 segment's data alone (from "Exif\0\0" on).
std::string ExifBlock(int orientation, bool motorola = false);
// The JPEG with an EXIF block whose EXIF sub-block holds the date taken
// (DateTimeOriginal, "YYYY:MM:DD HH:MM:SS").
std::string WithExifDateTaken(const std::string& jpeg, const std::string& dateTime, bool motorola = false);
