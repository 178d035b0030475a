// PNG through libpng. libpng reports fatal errors by long-jumping to the
// setjmp of the caller; only the small functions below call libpng and they
// hold plain C data only, so the jump skips no destructor.

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

#include "imaging/decoders.h"
#include "imaging/errors.h"
#include "imaging/png_internal.h"

namespace kestro::imaging {

namespace {

struct PngState {
  png_structp png;
  png_infop info;
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
  char message[200];
  png_uint_32 width;
  png_uint_32 height;
  int colorType;
  int hasAlpha;
  int maxSide;
};

extern "C" {

void PngError(png_structp png, png_const_charp message) {
  auto* s = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(s->message, sizeof s->message, "%s", message != nullptr ? message : "PNG error");
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, png_size_t count) {
  auto* s = static_cast<PngState*>(png_get_io_ptr(png));
  if (count > s->size - s->pos) png_error(png, "Read Error");
  std::memcpy(out, s->data + s->pos, count);
  s->pos += count;
}

}  // extern "C"

// Header and transformations: every picture becomes 8-bit RGBA.
int PngReadInfo(PngState* s) {
  if (setjmp(png_jmpbuf(s->png)) != 0) return 1;
  png_set_read_fn(s->png, s, PngRead);
  png_set_user_limits(s->png, static_cast<png_uint_32>(s->maxSide), static_cast<png_uint_32>(s->maxSide));
  png_set_chunk_malloc_max(s->png, 64u * 1024 * 1024);
#ifdef KESTRO_FUZZING
  // Fuzz builds only: a mutated byte would almost always fail a checksum
  // before reaching the code behind it.
  png_set_crc_action(s->png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
  png_set_option(s->png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  png_read_info(s->png, s->info);
  int depth = 0, interlace = 0;
  png_get_IHDR(s->png, s->info, &s->width, &s->height, &depth, &s->colorType, &interlace, nullptr, nullptr);
  s->hasAlpha = (s->colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(s->png, s->info, PNG_INFO_tRNS) != 0;
  png_set_expand(s->png);
  png_set_tRNS_to_alpha(s->png);
  png_set_scale_16(s->png);
  png_set_gray_to_rgb(s->png);
  png_set_add_alpha(s->png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(s->png);
  png_read_update_info(s->png, s->info);
  if (png_get_rowbytes(s->png, s->info) != static_cast<png_size_t>(s->width) * 4) png_error(s->png, "Unexpected row size");
  return 0;
}

int PngReadImage(PngState* s, png_bytepp rows) {
  if (setjmp(png_jmpbuf(s->png)) != 0) return 1;
  png_read_image(s->png, rows);
  return 0;
}

class PngGuard {
 public:
  explicit PngGuard(PngState& s) : s_(s) {}
  ~PngGuard() { png_destroy_read_struct(&s_.png, s_.info != nullptr ? &s_.info : nullptr, nullptr); }
  PngGuard(const PngGuard&) = delete;
  PngGuard& operator=(const PngGuard&) = delete;

 private:
  PngState& s_;
};

}  // namespace

bool IsPNG(ByteSpan data) { return data.size() >= 8 && png_sig_cmp(data.data(), 0, 8) == 0; }

DecodedImage DecodePNG(ByteSpan data) {
  if (!IsPNG(data)) throw EPNGError("Not a PNG file");
  PngState state{};
  state.data = data.data();
  state.size = data.size();
  state.maxSide = CurrentPictureLimits().maxSide;
  state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, PngError, PngWarning);
  if (state.png == nullptr) throw EPNGError("Out of memory");
  PngGuard guard(state);
  state.info = png_create_info_struct(state.png);
  if (state.info == nullptr) throw EPNGError("Out of memory");
  if (PngReadInfo(&state) != 0) throw EPNGError(state.message);
  const int width = static_cast<int>(state.width);
  const int height = static_cast<int>(state.height);
  CheckPictureSize(state.width, state.height);

  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  std::vector<std::uint8_t> rgba(stride * static_cast<std::size_t>(height));
  std::vector<png_bytep> rows(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) rows[y] = rgba.data() + stride * y;
  if (PngReadImage(&state, rows.data()) != 0) throw EPNGError(state.message);

  DecodedImage image;
  image.pixels = Bitmap24(width, height);
  if (state.hasAlpha) image.alpha.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* s = rows[y];
    std::uint8_t* d = image.pixels.ScanLine(y);
    for (int x = 0; x < width; ++x, s += 4) {
      PutRGB(d, x, s[0], s[1], s[2]);
      if (state.hasAlpha) image.alpha[static_cast<std::size_t>(y) * width + x] = s[3];
    }
  }
  DropOpaqueAlpha(image);
  return image;
}

}  // namespace kestro::imaging
