// JPEG through libjpeg. libjpeg reports fatal errors through error_exit,
// which must not return; ours long-jumps back into the small functions
// below. Those hold only plain C data, so the jump skips no destructor; all
// C++ objects live in DecodeJPEG, which the jump never crosses.

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/decoders.h"
#include "imaging/errors.h"
#include "platform/api/display.h"

namespace kestro::imaging {

namespace {

// Our own stop reasons, outside libjpeg's message codes.
constexpr int kTooManyScans = -1;
// A damaged file can make libjpeg read scan after scan of nothing.
constexpr int kMaxScans = 1000;
constexpr long kMaxJpegMemory = 1L << 30;

struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code;
};

struct JpegState {
  jpeg_decompress_struct cinfo;
  JpegErrorManager err;
  jpeg_progress_mgr progress;
  bool created;
};

extern "C" {

void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  if (err->code == 0) err->code = err->pub.msg_code;
  std::longjmp(err->jump, 1);
}

// Warnings are not printed. Data running out early is an error: a truncated
// file would otherwise show grey where its end is missing.
void JpegEmitMessage(j_common_ptr cinfo, int msg_level) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  if (msg_level < 0) {
    err->pub.num_warnings++;
    if (err->pub.msg_code == JWRN_JPEG_EOF) JpegErrorExit(cinfo);
  }
}

void JpegOutputMessage(j_common_ptr) {}

void JpegProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    err->code = kTooManyScans;
    std::longjmp(err->jump, 1);
  }
}

}  // extern "C"

// Phase 1: header. Returns 0 or the error code.
int JpegReadHeader(JpegState* s, const std::uint8_t* data, unsigned long size) {
  s->cinfo.err = jpeg_std_error(&s->err.pub);
  s->err.pub.error_exit = JpegErrorExit;
  s->err.pub.emit_message = JpegEmitMessage;
  s->err.pub.output_message = JpegOutputMessage;
  s->err.code = 0;
  if (setjmp(s->err.jump) != 0) return s->err.code == 0 ? JERR_UNKNOWN_MARKER : s->err.code;
  jpeg_create_decompress(&s->cinfo);
  s->created = true;
  s->cinfo.mem->max_memory_to_use = kMaxJpegMemory;
  s->progress.progress_monitor = JpegProgress;
  s->cinfo.progress = &s->progress;
  jpeg_mem_src(&s->cinfo, data, size);
  jpeg_read_header(&s->cinfo, TRUE);
  return 0;
}

// Phase 2: decompression set-up with the options already stored in cinfo.
int JpegStart(JpegState* s) {
  if (setjmp(s->err.jump) != 0) return s->err.code;
  jpeg_start_decompress(&s->cinfo);
  return 0;
}

// Phase 3: every scanline, into the given row pointers.
int JpegReadRows(JpegState* s, JSAMPROW* rows) {
  if (setjmp(s->err.jump) != 0) return s->err.code;
  while (s->cinfo.output_scanline < s->cinfo.output_height) {
    if (jpeg_read_scanlines(&s->cinfo, rows + s->cinfo.output_scanline, s->cinfo.output_height - s->cinfo.output_scanline) == 0) {
      ERREXIT(&s->cinfo, JERR_INPUT_EMPTY);
    }
  }
  return 0;
}

class JpegGuard {
 public:
  explicit JpegGuard(JpegState& s) : s_(s) {}
  ~JpegGuard() {
    if (s_.created) jpeg_destroy_decompress(&s_.cinfo);
  }
  JpegGuard(const JpegGuard&) = delete;
  JpegGuard& operator=(const JpegGuard&) = delete;

 private:
  JpegState& s_;
};

[[noreturn]] void Fail(int code) {
  if (code == kTooManyScans) throw EJPEG(code, "JPEG file has too many scans");
  throw EJPEG(code);
}

}  // namespace

JpegOutput JpegOutputForDisplay() {
  return platform::DisplayBitsPerPixel() <= 8 ? JpegOutput::kPalette : JpegOutput::kTrueColor;
}

DecodedImage DecodeJPEG(ByteSpan data, JpegOutput output) {
  if (data.empty()) throw EJPEG(JERR_INPUT_EMPTY);
  JpegState state{};
  JpegGuard guard(state);
  if (int code = JpegReadHeader(&state, data.data(), static_cast<unsigned long>(data.size()))) Fail(code);

  jpeg_decompress_struct& ci = state.cinfo;
  CheckPictureSize(ci.image_width, ci.image_height);
  ci.scale_num = 1;
  ci.scale_denom = 1;
  ci.dct_method = JDCT_ISLOW;
  ci.do_fancy_upsampling = TRUE;
  ci.buffered_image = FALSE;
  const bool cmyk = ci.jpeg_color_space == JCS_CMYK || ci.jpeg_color_space == JCS_YCCK;
  const bool quantize = output == JpegOutput::kPalette && !cmyk && ci.num_components == 3;
  if (cmyk) {
    ci.out_color_space = JCS_CMYK;
  } else if (quantize) {
    ci.out_color_space = JCS_RGB;
    ci.quantize_colors = TRUE;
    ci.desired_number_of_colors = 256;
    ci.two_pass_quantize = TRUE;
  } else {
    ci.out_color_space = JCS_EXT_BGR;
  }
  if (int code = JpegStart(&state)) Fail(code);

  const int width = static_cast<int>(ci.output_width);
  const int height = static_cast<int>(ci.output_height);
  CheckPictureSize(width, height);
  DecodedImage image;
  image.pixels = Bitmap24(width, height);
  std::vector<JSAMPROW> rows(static_cast<std::size_t>(height));

  if (!cmyk && !quantize) {
    // Straight into the bitmap's rows.
    for (int y = 0; y < height; ++y) rows[y] = image.pixels.ScanLine(y);
    if (int code = JpegReadRows(&state, rows.data())) Fail(code);
    return image;
  }

  const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(ci.output_components);
  std::vector<JSAMPLE> buffer(stride * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) rows[y] = buffer.data() + stride * y;
  if (int code = JpegReadRows(&state, rows.data())) Fail(code);

  if (cmyk) {
    // Adobe writers store CMYK inverted; others store it plainly.
    const bool inverted = ci.saw_Adobe_marker;
    for (int y = 0; y < height; ++y) {
      const JSAMPLE* s = rows[y];
      std::uint8_t* d = image.pixels.ScanLine(y);
      for (int x = 0; x < width; ++x, s += 4) {
        unsigned c = s[0], m = s[1], ye = s[2], k = s[3];
        if (!inverted) {
          c = 255 - c;
          m = 255 - m;
          ye = 255 - ye;
          k = 255 - k;
        }
        PutRGB(d, x, static_cast<std::uint8_t>((c * k + 127) / 255), static_cast<std::uint8_t>((m * k + 127) / 255),
               static_cast<std::uint8_t>((ye * k + 127) / 255));
      }
    }
    return image;
  }

  // Palette image: one index per pixel into the quantizer's colour map.
  const int colors = ci.actual_number_of_colors;
  if (ci.colormap == nullptr || ci.out_color_components != 3 || colors <= 0) Fail(JERR_QUANT_COMPONENTS);
  std::uint8_t palette[256][3] = {};
  for (int i = 0; i < colors && i < 256; ++i) {
    for (int c = 0; c < 3; ++c) palette[i][c] = ci.colormap[c][i];
  }
  for (int y = 0; y < height; ++y) {
    const JSAMPLE* s = rows[y];
    std::uint8_t* d = image.pixels.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = palette[s[x]];
      PutRGB(d, x, p[0], p[1], p[2]);
    }
  }
  return image;
}

}  // namespace kestro::imaging
