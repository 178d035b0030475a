#include "png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "platform/api/files.h"

namespace kestro::effects_tool {

namespace {

struct Output {
  std::vector<std::uint8_t> bytes;
  std::string error;
};

void OnWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Output*>(png_get_io_ptr(png));
  out->bytes.insert(out->bytes.end(), data, data + length);
}

void OnFlush(png_structp) {}

void OnError(png_structp png, png_const_charp message) {
  auto* out = static_cast<Output*>(png_get_error_ptr(png));
  out->error = message != nullptr ? message : "libpng error";
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Encodes into out.bytes; false with out.error set when libpng refused.
// Kept free of objects with destructors, since libpng leaves by longjmp.
bool Encode(const Bitmap24& bitmap, const std::vector<png_bytep>& rows, Output& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &out, OnError, OnWarning);
  if (png == nullptr) {
    out.error = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    if (out.error.empty()) out.error = "out of memory";
    return false;
  }
  png_set_write_fn(png, &out, OnWrite, OnFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.Width()), static_cast<png_uint_32>(bitmap.Height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);  // rows are blue, green, red
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

void WritePNG(const Bitmap24& bitmap, const std::string& fileName) {
  if (bitmap.IsEmpty()) throw EPNGWriteError("Cannot write an empty picture to \"" + fileName + "\"");
  std::vector<png_bytep> rows(static_cast<std::size_t>(bitmap.Height()));
  for (std::int32_t y = 0; y < bitmap.Height(); ++y) {
    rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(bitmap.ScanLine(y));
  }
  Output out;
  if (!Encode(bitmap, rows, out)) throw EPNGWriteError("Cannot encode \"" + fileName + "\": " + out.error);
  WriteFileBytes(fileName, out.bytes.data(), out.bytes.size());
}

void WriteFileBytes(const std::string& fileName, const std::uint8_t* data, std::size_t size) {
  auto file = platform::Files().Open(fileName, platform::OpenMode::kCreate);
  if (file == nullptr) throw EFCreateError("Cannot create file \"" + fileName + "\"");
  if (file->Write(data, size) != size) throw EInOutError("Cannot write file \"" + fileName + "\"");
}

}  // namespace kestro::effects_tool
