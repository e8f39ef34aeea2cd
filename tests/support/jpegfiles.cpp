#include "support/jpegfiles.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

namespace {

struct Errors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

extern "C" void Refuse(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<Errors*>(cinfo->err)->jump, 1); }

void Put(std::string& out, uint32_t value, int bytes, bool motorola) {
  for (int i = 0; i < bytes; ++i) {
    int shift = motorola ? 8 * (bytes - 1 - i) : 8 * i;
    out += static_cast<char>((value >> shift) & 0xFF);
  }
}

// Compresses with plain data only between setjmp and the library calls.
bool Compress(jpeg_compress_struct& cinfo, Errors& errors, int width, int height, int quality, const JpegLayout& layout,
              uint8_t* row, const JpegPainter& paint, unsigned char** buffer, unsigned long* size) {
  if (setjmp(errors.jump)) return false;
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, buffer, size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (layout.grey) {
    jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  } else {
    cinfo.comp_info[0].h_samp_factor = layout.hSampling;
    cinfo.comp_info[0].v_samp_factor = layout.vSampling;
  }
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < width; ++x) {
      framework::Rgb c = paint(x, y);
      row[3 * x] = c.red;
      row[3 * x + 1] = c.green;
      row[3 * x + 2] = c.blue;
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

}  // namespace

std::string StreamedJpeg(int width, int height, int quality, const JpegPainter& paint) {
  return StreamedJpeg(width, height, quality, JpegLayout{}, paint);
}

std::string StreamedJpeg(int width, int height, int quality, const JpegLayout& layout, const JpegPainter& paint) {
  jpeg_compress_struct cinfo{};
  Errors errors{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = Refuse;
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool ok = Compress(cinfo, errors, width, height, quality, layout, row.data(), paint, &buffer, &size);
  std::string result = ok ? std::string(reinterpret_cast<const char*>(buffer), size) : std::string();
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  if (!ok) throw std::runtime_error("libjpeg refused to compress the test picture");
  return result;
}

std::string ExifBlock(int orientation, bool motorola) {
  std::string tiff = motorola ? "MM" : "II";
  Put(tiff, 42, 2, motorola);
  Put(tiff, 8, 4, motorola);  // IFD0 right after the header
  Put(tiff, 2, 2, motorola);  // two entries
  // Make (0x010F), ASCII, 4 bytes held in the entry: "Cam\0".
  Put(tiff, 0x010F, 2, motorola);
  Put(tiff, 2, 2, motorola);
  Put(tiff, 4, 4, motorola);
  tiff += std::string("Cam\0", 4);
  // Orientation (0x0112), SHORT, one value, left-aligned in the value field.
  Put(tiff, 0x0112, 2, motorola);
  Put(tiff, 3, 2, motorola);
  Put(tiff, 1, 4, motorola);
  Put(tiff, static_cast<uint32_t>(orientation), 2, motorola);
  Put(tiff, 0, 2, motorola);
  Put(tiff, 0, 4, motorola);  // no next IFD
  return std::string("Exif\0\0", 6) + tiff;
}

std::string WithExifOrientation(const std::string& jpeg, int orientation, bool motorola) {
  std::string block = ExifBlock(orientation, motorola);
  std::string segment = "\xFF\xE1";
  Put(segment, static_cast<uint32_t>(block.size() + 2), 2, true);  // marker lengths are big-endian
  segment += block;
  return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

std::string WithExifDateTaken(const std::string& jpeg, const std::string& dateTime, bool motorola) {
  std::string tiff = motorola ? "MM" : "II";
  Put(tiff, 42, 2, motorola);
  Put(tiff, 8, 4, motorola);  // IFD0 right after the header
  Put(tiff, 1, 2, motorola);  // one entry: where the EXIF block lies (LONG), at 26
  Put(tiff, 0x8769, 2, motorola);
  Put(tiff, 4, 2, motorola);
  Put(tiff, 1, 4, motorola);
  Put(tiff, 26, 4, motorola);
  Put(tiff, 0, 4, motorola);  // no next IFD
  Put(tiff, 1, 2, motorola);  // the EXIF block: DateTimeOriginal (ASCII, 20 bytes), its text at 44
  Put(tiff, 0x9003, 2, motorola);
  Put(tiff, 2, 2, motorola);
  Put(tiff, 20, 4, motorola);
  Put(tiff, 44, 4, motorola);
  Put(tiff, 0, 4, motorola);
  tiff += dateTime;
  tiff.resize(44 + 20, '\0');
  const std::string block = std::string("Exif\0\0", 6) + tiff;
  std::string segment = "\xFF\xE1";
  Put(segment, static_cast<uint32_t>(block.size() + 2), 2, true);
  segment += block;
  return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}
