// JPEG encoding through libjpeg. libjpeg reports fatal errors through
// error_exit, which must not return; ours long-jumps back into Compress,
// which holds only plain C data, so the jump skips no destructor.

#include "picture_encode.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "build_error.h"

namespace kestro::builder {

namespace {

struct EncoderError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void EncoderErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<EncoderError*>(cinfo->err);
  err->pub.format_message(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

extern "C" void EncoderOutputMessage(j_common_ptr) {}

// Encodes into *out (malloc'ed by libjpeg, freed by the caller); false with
// err->message set when libjpeg refused.
bool Compress(const Bitmap24& bitmap, int quality, EncoderError* err, unsigned char** out, unsigned long* outSize) {
  jpeg_compress_struct c{};
  c.err = jpeg_std_error(&err->pub);
  err->pub.error_exit = EncoderErrorExit;
  err->pub.output_message = EncoderOutputMessage;
  if (setjmp(err->jump) != 0) {
    jpeg_destroy_compress(&c);
    return false;
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, out, outSize);
  c.image_width = static_cast<JDIMENSION>(bitmap.Width());
  c.image_height = static_cast<JDIMENSION>(bitmap.Height());
  c.input_components = 3;
  c.in_color_space = JCS_EXT_BGR;  // the bitmap's own byte order
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  c.optimize_coding = TRUE;
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(bitmap.ScanLine(static_cast<std::int32_t>(c.next_scanline)));
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return true;
}

}  // namespace

std::string EncodeJpeg(const Bitmap24& bitmap, int quality) {
  if (bitmap.IsEmpty()) throw EBuildError("Cannot write an empty picture as JPEG");
  EncoderError err{};
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  const bool done = Compress(bitmap, quality, &err, &out, &outSize);
  std::string bytes;
  if (done && out != nullptr) bytes.assign(reinterpret_cast<const char*>(out), outSize);
  std::free(out);
  if (!done) throw EBuildError(std::string("Cannot encode the picture as JPEG: ") + err.message);
  return bytes;
}

PictureSize FitWithin(PictureSize picture, PictureSize box) {
  if (!Exceeds(picture, box)) return picture;
  const long long w = picture.width, h = picture.height;
  PictureSize fit = box;
  if (w * box.height > h * box.width) {
    fit.height = static_cast<int>((h * box.width * 2 + w) / (2 * w));  // rounded
  } else {
    fit.width = static_cast<int>((w * box.height * 2 + h) / (2 * h));
  }
  fit.width = std::max(1, std::min(fit.width, box.width));
  fit.height = std::max(1, std::min(fit.height, box.height));
  return fit;
}

// Area averaging: source pixel i covers [i * dst, (i + 1) * dst) and target
// pixel j covers [j * src, (j + 1) * src) on a common scale, so each target
// pixel takes every source pixel with the length of their overlap as its
// weight, the weights of one target pixel adding up to src.
Bitmap24 ShrinkBitmap(const Bitmap24& source, PictureSize size) {
  const int sw = source.Width(), sh = source.Height();
  const int dw = std::max(1, std::min(size.width, sw)), dh = std::max(1, std::min(size.height, sh));
  if (source.IsEmpty()) return Bitmap24();
  Bitmap24 out(dw, dh);

  std::vector<std::uint32_t> row(static_cast<std::size_t>(dw) * 3);
  std::vector<std::uint64_t> acc(row.size());
  const std::uint64_t total = static_cast<std::uint64_t>(sw) * static_cast<std::uint64_t>(sh);

  auto reduceRow = [&](const std::uint8_t* in) {
    std::fill(row.begin(), row.end(), 0u);
    int x = 0;
    for (int sx = 0; sx < sw; ++sx) {
      const long long lo = static_cast<long long>(sx) * dw, hi = lo + dw, end = static_cast<long long>(x + 1) * sw;
      const std::uint8_t* p = in + 3 * static_cast<std::size_t>(sx);
      const auto first = static_cast<std::uint32_t>(std::min(hi, end) - lo);
      for (int c = 0; c < 3; ++c) row[3 * static_cast<std::size_t>(x) + c] += p[c] * first;
      if (hi >= end) {
        ++x;
        if (hi > end && x < dw) {
          const auto rest = static_cast<std::uint32_t>(hi - end);
          for (int c = 0; c < 3; ++c) row[3 * static_cast<std::size_t>(x) + c] += p[c] * rest;
        }
      }
    }
  };
  auto emit = [&](int y) {
    std::uint8_t* p = out.ScanLine(y);
    for (std::size_t i = 0; i < acc.size(); ++i) p[i] = static_cast<std::uint8_t>((acc[i] + total / 2) / total);
  };

  int y = 0;
  for (int sy = 0; sy < sh && y < dh; ++sy) {
    reduceRow(source.ScanLine(sy));
    const long long lo = static_cast<long long>(sy) * dh, hi = lo + dh, end = static_cast<long long>(y + 1) * sh;
    const auto first = static_cast<std::uint64_t>(std::min(hi, end) - lo);
    for (std::size_t i = 0; i < acc.size(); ++i) acc[i] += row[i] * first;
    if (hi >= end) {
      emit(y++);
      const auto rest = static_cast<std::uint64_t>(hi - end);
      for (std::size_t i = 0; i < acc.size(); ++i) acc[i] = row[i] * rest;
    }
  }
  return out;
}

}  // namespace kestro::builder
