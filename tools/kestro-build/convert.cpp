#include "convert.h"

#include <algorithm>
#include <memory>
#include <string>

#ifdef KESTRO_BUILDER_HEIF
#include <libheif/heif.h>
#endif
#ifdef KESTRO_BUILDER_AVIF
#include <avif/avif.h>
#endif
#ifdef KESTRO_BUILDER_WEBP
#include <webp/decode.h>
#include <webp/demux.h>
#endif

#include "common/ansi.h"
#include "imaging/errors.h"
#include "orientation.h"

namespace kestro::builder {

namespace {

// A decoded picture from rows of 8-bit red, green, blue (and alpha) samples.
[[maybe_unused]] DecodedImage FromInterleaved(const std::uint8_t* data, int width, int height, std::size_t stride,
                                              bool withAlpha) {
  imaging::CheckPictureSize(width, height);
  const int channels = withAlpha ? 4 : 3;
  DecodedImage image;
  image.pixels = Bitmap24(width, height);
  if (withAlpha) image.alpha.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = data + static_cast<std::size_t>(y) * stride;
    std::uint8_t* out = image.pixels.ScanLine(y);
    for (int x = 0; x < width; ++x, in += channels) {
      imaging::PutRGB(out, x, in[0], in[1], in[2]);
      if (withAlpha) image.alpha[static_cast<std::size_t>(y) * width + x] = in[3];
    }
  }
  imaging::DropOpaqueAlpha(image);
  return image;
}

[[noreturn, maybe_unused]] void Refuse(const char* format, const std::string& why) {
  throw EInvalidGraphic(std::string(format) + " picture cannot be read: " + why);
}

#ifdef KESTRO_BUILDER_HEIF

// libheif applies the file's clean aperture, rotation and mirror properties itself.
DecodedImage DecodeHeif(ConstBytes data) {
  std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
  if (!context) Refuse("HEIF", "out of memory");
  heif_context_set_maximum_image_size_limit(context.get(), imaging::CurrentPictureLimits().maxSide);
  heif_error error = heif_context_read_from_memory_without_copy(context.get(), data.data(), data.size(), nullptr);
  if (error.code != heif_error_Ok) Refuse("HEIF", error.message);
  heif_image_handle* rawHandle = nullptr;
  error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
  if (error.code != heif_error_Ok) Refuse("HEIF", error.message);
  std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(rawHandle, heif_image_handle_release);
  imaging::CheckPictureSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()));

  const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
  heif_image* rawImage = nullptr;
  error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
  if (error.code != heif_error_Ok) Refuse("HEIF", error.message);
  std::unique_ptr<heif_image, decltype(&heif_image_release)> image(rawImage, heif_image_release);
  const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
  int stride = 0;
  const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  if (plane == nullptr || width <= 0 || stride < width * (alpha ? 4 : 3)) Refuse("HEIF", "no picture data");
  return FromInterleaved(plane, width, height, static_cast<std::size_t>(stride), alpha);
}

#endif

#ifdef KESTRO_BUILDER_AVIF

// libavif leaves the rotation ('irot', anticlockwise quarter turns) and the
// mirror ('imir', applied after it) to the caller.
DecodedImage DecodeAvif(ConstBytes data) {
  std::unique_ptr<avifDecoder, decltype(&avifDecoderDestroy)> decoder(avifDecoderCreate(), avifDecoderDestroy);
  if (!decoder) Refuse("AVIF", "out of memory");
  const imaging::PictureLimits limits = imaging::CurrentPictureLimits();
  decoder->maxThreads = 1;
  decoder->imageDimensionLimit = static_cast<std::uint32_t>(limits.maxSide);
  decoder->imageSizeLimit = static_cast<std::uint32_t>(std::min<long long>(limits.maxPixels, AVIF_DEFAULT_IMAGE_SIZE_LIMIT));
  // Files phones write do not all meet every rule of the format; none of
  // the rules is about safety.
  decoder->strictFlags = AVIF_STRICT_DISABLED;
  auto check = [&](avifResult result) {
    if (result == AVIF_RESULT_OK) return;
    std::string why = avifResultToString(result);
    if (decoder->diag.error[0] != '\0') why += std::string(" (") + decoder->diag.error + ")";
    Refuse("AVIF", why);
  };
  check(avifDecoderSetIOMemory(decoder.get(), data.data(), data.size()));
  check(avifDecoderParse(decoder.get()));
  check(avifDecoderNextImage(decoder.get()));
  const avifImage* image = decoder->image;
  imaging::CheckPictureSize(image->width, image->height);

  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image);
  const bool alpha = image->alphaPlane != nullptr;
  rgb.format = alpha ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
  rgb.depth = 8;
  avifRGBImageAllocatePixels(&rgb);
  struct Pixels {
    avifRGBImage* rgb;
    ~Pixels() { avifRGBImageFreePixels(rgb); }
  } pixels{&rgb};
  if (rgb.pixels == nullptr) Refuse("AVIF", "out of memory");
  check(avifImageYUVToRGB(image, &rgb));
  DecodedImage out = FromInterleaved(rgb.pixels, static_cast<int>(rgb.width), static_cast<int>(rgb.height), rgb.rowBytes, alpha);

  constexpr std::uint32_t kQuarterTurnsLeft[] = {1, 8, 3, 6};  // as EXIF orientations
  if ((image->transformFlags & AVIF_TRANSFORM_IROT) != 0) {
    out = ApplyOrientation(out, kQuarterTurnsLeft[image->irot.angle & 3]);
  }
  if ((image->transformFlags & AVIF_TRANSFORM_IMIR) != 0) {
    out = ApplyOrientation(out, image->imir.mode == 0 ? 4 : 2);  // 0: top and bottom exchanged
  }
  return out;
}

#endif

#ifdef KESTRO_BUILDER_WEBP

// The orientation of the file's "EXIF" chunk (some writers keep the
// "Exif\0\0" of the JPEG segment in front of it).
std::uint32_t WebpOrientation(ConstBytes data) {
  const WebPData whole{data.data(), data.size()};
  std::unique_ptr<WebPDemuxer, decltype(&WebPDemuxDelete)> demux(WebPDemux(&whole), WebPDemuxDelete);
  if (!demux) return 1;
  WebPChunkIterator chunk{};
  std::uint32_t orientation = 1;
  if (WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk) != 0) {
    ConstBytes exif(chunk.chunk.bytes, chunk.chunk.size);
    if (exif.size() >= 6 && std::string_view(reinterpret_cast<const char*>(exif.data()), 6) == std::string_view("Exif\0\0", 6)) {
      exif = exif.subspan(6);
    }
    orientation = ReadExifFields(exif).Orientation();
    WebPDemuxReleaseChunkIterator(&chunk);
  }
  return orientation;
}

// An animation gives its first frame, as the runtime does for GIF files.
DecodedImage DecodeWebp(ConstBytes data) {
  WebPBitstreamFeatures features{};
  if (const VP8StatusCode status = WebPGetFeatures(data.data(), data.size(), &features); status != VP8_STATUS_OK) {
    Refuse("WebP", "status " + std::to_string(static_cast<int>(status)) + " (not a WebP file, or damaged)");
  }
  imaging::CheckPictureSize(features.width, features.height);
  const std::size_t stride = static_cast<std::size_t>(features.width) * 4;
  DecodedImage out;
  if (features.has_animation) {
    const WebPData whole{data.data(), data.size()};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) Refuse("WebP", "library version mismatch");
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, decltype(&WebPAnimDecoderDelete)> anim(WebPAnimDecoderNew(&whole, &options),
                                                                            WebPAnimDecoderDelete);
    WebPAnimInfo info{};
    std::uint8_t* frame = nullptr;
    int timestamp = 0;
    if (!anim || !WebPAnimDecoderGetInfo(anim.get(), &info) ||
        !WebPAnimDecoderGetNext(anim.get(), &frame, &timestamp) || frame == nullptr) {
      Refuse("WebP", "the animation's first frame cannot be decoded");
    }
    out = FromInterleaved(frame, static_cast<int>(info.canvas_width), static_cast<int>(info.canvas_height),
                          static_cast<std::size_t>(info.canvas_width) * 4, true);
  } else {
    std::vector<std::uint8_t> rgba(stride * static_cast<std::size_t>(features.height));
    if (WebPDecodeRGBAInto(data.data(), data.size(), rgba.data(), rgba.size(), static_cast<int>(stride)) == nullptr) {
      Refuse("WebP", "the picture data is damaged");
    }
    out = FromInterleaved(rgba.data(), features.width, features.height, stride, true);
  }
  return ApplyOrientation(out, WebpOrientation(data));
}

#endif

[[maybe_unused]] DecodedImage Unavailable(ConstBytes) { throw EInvalidGraphic("This build of kestro-build cannot convert the format"); }

std::vector<PhoneFormat> MakePhoneFormats() {
  std::vector<PhoneFormat> formats;
#ifdef KESTRO_BUILDER_HEIF
  formats.push_back({"HEIF", {"heic", "heif", "hif"}, true, DecodeHeif});
#else
  formats.push_back({"HEIF", {"heic", "heif", "hif"}, false, Unavailable});
#endif
#ifdef KESTRO_BUILDER_AVIF
  formats.push_back({"AVIF", {"avif"}, true, DecodeAvif});
#else
  formats.push_back({"AVIF", {"avif"}, false, Unavailable});
#endif
#ifdef KESTRO_BUILDER_WEBP
  formats.push_back({"WebP", {"webp"}, true, DecodeWebp});
#else
  formats.push_back({"WebP", {"webp"}, false, Unavailable});
#endif
  return formats;
}

}  // namespace

const std::vector<PhoneFormat>& PhoneFormats() {
  static const std::vector<PhoneFormat> formats = MakePhoneFormats();
  return formats;
}

const PhoneFormat* FindPhoneFormat(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  for (const PhoneFormat& format : PhoneFormats()) {
    for (const char* ext : format.extensions) {
      if (SameText(extension, ext)) return &format;
    }
  }
  return nullptr;
}

DecodedImage DecodePhonePicture(const PhoneFormat& format, ConstBytes data) {
  if (!format.available) {
    throw EInvalidGraphic(std::string("This build of kestro-build cannot convert ") + format.name + " pictures");
  }
  return format.decode(data);
}

}  // namespace kestro::builder
