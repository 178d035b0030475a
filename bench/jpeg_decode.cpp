// Timing helper for jpeg_vs_djpeg.sh.
//   bench_jpeg_decode make WIDTH HEIGHT QUALITY OUT.jpg   writes a photo-like test JPEG
//   bench_jpeg_decode decode FILE.jpg                     loads it as the saver does
// Decoding prints the picture's size and a checksum so the work cannot be skipped.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imaging/load_picture.h"

namespace {

int Make(int width, int height, int quality, const char* path) {
  FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return 1;
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, out);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  // Smooth shading, a few hard edges and fine grain, like a photograph.
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = static_cast<int>(noise >> 28) - 8;
      const double fx = x / static_cast<double>(width), fy = y / static_cast<double>(height);
      const bool object = (x / 300 + y / 260) % 5 == 0;
      double r = 120 + 90 * std::sin(fx * 7.0) * std::cos(fy * 5.0);
      double g = 110 + 80 * std::cos(fx * 4.0 + fy * 3.0);
      double b = 100 + 70 * std::sin(fy * 9.0 + 1.0);
      if (object) {
        r = 230 - r / 3;
        g = g / 2;
        b = 40 + b / 4;
      }
      auto clamp = [](double v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
      row[3 * x] = clamp(r + grain);
      row[3 * x + 1] = clamp(g + grain);
      row[3 * x + 2] = clamp(b + grain);
    }
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(out) == 0 ? 0 : 1;
}

int Decode(const char* path) {
  kestro::TBitmap bitmap;
  kestro::JPEGFileToBitmap(bitmap, path);
  const kestro::Bitmap24& image = bitmap.Image();
  std::uint32_t sum = 0;
  for (int y = 0; y < image.Height(); y += 97) {
    const std::uint8_t* p = image.ScanLine(y);
    for (int x = 0; x < image.Width() * 3; ++x) sum = sum * 31 + p[x];
  }
  std::printf("%dx%d %08x\n", image.Width(), image.Height(), sum);
  return image.IsEmpty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "make") == 0) {
    return Make(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), argv[5]);
  }
  if (argc == 3 && std::strcmp(argv[1], "decode") == 0) {
    try {
      return Decode(argv[2]);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "usage: %s make W H QUALITY OUT.jpg | decode FILE.jpg\n", argv[0]);
  return 2;
}
