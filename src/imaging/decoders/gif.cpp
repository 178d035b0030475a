// GIF through giflib: the first image of the file, drawn on its logical
// screen. giflib reports errors by return codes, so no jump is involved.

#include <algorithm>
#include <cstring>
#include <vector>

#include <gif_lib.h>

#include "imaging/decoders.h"
#include "imaging/errors.h"

namespace kestro::imaging {

namespace {

struct GifSource {
  ByteSpan data;
  std::size_t pos = 0;
};

extern "C" int GifRead(GifFileType* gif, GifByteType* buffer, int count) {
  auto* src = static_cast<GifSource*>(gif->UserData);
  if (count <= 0) return 0;
  const std::size_t n = std::min(static_cast<std::size_t>(count), src->data.size() - src->pos);
  std::memcpy(buffer, src->data.data() + src->pos, n);
  src->pos += n;
  return static_cast<int>(n);
}

[[noreturn]] void Fail(int code) {
  const char* text = GifErrorString(code);
  throw EGIFError(text != nullptr ? text : "GIF error");
}

class GifHandle {
 public:
  explicit GifHandle(GifSource& source) {
    int error = 0;
    gif_ = DGifOpen(&source, GifRead, &error);
    if (gif_ == nullptr) Fail(error);
  }
  ~GifHandle() {
    int error = 0;
    DGifCloseFile(gif_, &error);
  }
  GifHandle(const GifHandle&) = delete;
  GifHandle& operator=(const GifHandle&) = delete;
  GifFileType* operator->() const { return gif_; }
  GifFileType* get() const { return gif_; }

 private:
  GifFileType* gif_ = nullptr;
};

void Check(GifFileType* gif, int result) {
  if (result == GIF_ERROR) Fail(gif->Error != 0 ? gif->Error : D_GIF_ERR_READ_FAILED);
}

}  // namespace

DecodedImage DecodeGIF(ByteSpan data) {
  // giflib only looks at "GIF"; versions other than 87a and 89a are refused here.
  if (data.size() >= 6 && std::memcmp(data.data(), "GIF", 3) == 0 && std::memcmp(data.data() + 3, "87a", 3) != 0 &&
      std::memcmp(data.data() + 3, "89a", 3) != 0) {
    throw EGIFError("Unsupported GIF version");
  }
  GifSource source{data};
  GifHandle gif(source);

  int transparent = -1;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    Check(gif.get(), DGifGetRecordType(gif.get(), &type));
    if (type == TERMINATE_RECORD_TYPE) throw EGIFError("GIF file holds no image");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      Check(gif.get(), DGifGetExtension(gif.get(), &code, &block));
      bool first = true;
      while (block != nullptr) {
        if (first && code == GRAPHICS_EXT_FUNC_CODE) {
          GraphicsControlBlock gcb{};
          if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
        }
        first = false;
        Check(gif.get(), DGifGetExtensionNext(gif.get(), &block));
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;

    Check(gif.get(), DGifGetImageDesc(gif.get()));
    const GifImageDesc& desc = gif->Image;
    const long long left = desc.Left, top = desc.Top, fw = desc.Width, fh = desc.Height;
    long long sw = gif->SWidth, sh = gif->SHeight;
    // A screen of no size is taken to be as large as the frame reaches.
    if (sw <= 0 || sh <= 0) {
      sw = left + fw;
      sh = top + fh;
    }
    CheckPictureSize(sw, sh);
    const PictureLimits limits = CurrentPictureLimits();
    if (fw <= 0 || fh <= 0 || fw > limits.maxSide || fh > limits.maxSide || fw * fh > limits.maxPixels) {
      throw EGIFError("Wrong image dimensions");
    }

    // The frame's rows first, in file order (interlaced images come in four
    // passes); the buffer grows only as rows actually decode, so a damaged
    // file claiming a large picture fails before the canvas is made.
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(fh));
    if (desc.Interlace) {
      static const int kStart[] = {0, 4, 2, 1};
      static const int kStep[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (long long y = kStart[pass]; y < fh; y += kStep[pass]) order.push_back(static_cast<int>(y));
      }
    } else {
      for (long long y = 0; y < fh; ++y) order.push_back(static_cast<int>(y));
    }
    std::vector<GifPixelType> rows;
    for (std::size_t i = 0; i < order.size(); ++i) {
      rows.resize((i + 1) * static_cast<std::size_t>(fw));
      Check(gif.get(), DGifGetLine(gif.get(), rows.data() + i * static_cast<std::size_t>(fw), static_cast<int>(fw)));
    }

    const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    GifColorType background{0, 0, 0};
    if (gif->SColorMap != nullptr && gif->SBackGroundColor >= 0 && gif->SBackGroundColor < gif->SColorMap->ColorCount) {
      background = gif->SColorMap->Colors[gif->SBackGroundColor];
    }
    DecodedImage image;
    image.pixels = Bitmap24(static_cast<int>(sw), static_cast<int>(sh), RGB(background.Red, background.Green, background.Blue));
    for (std::size_t i = 0; i < order.size(); ++i) {
      const long long y = top + order[i];
      if (y < 0 || y >= sh) continue;
      const GifPixelType* line = rows.data() + i * static_cast<std::size_t>(fw);
      std::uint8_t* dst = image.pixels.ScanLine(static_cast<int>(y));
      for (long long k = 0; k < fw; ++k) {
        const long long x = left + k;
        if (x >= sw) break;
        const int index = line[k];
        if (index == transparent || map == nullptr || index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        PutRGB(dst, static_cast<int>(x), c.Red, c.Green, c.Blue);
      }
    }
    return image;
  }
}

}  // namespace kestro::imaging
