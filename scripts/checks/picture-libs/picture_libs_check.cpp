// Decodes pictures with libjpeg, giflib, libpng and libtiff and prints what it read, one line
// per file:
//
//   picture-libs-check FILE...
//   FILE: FORMAT WIDTHxHEIGHT centre=R,G,B corner=R,G,B     (corner: the top-left pixel)
//   FILE: error: MESSAGE
//
// The format is taken from the file's first bytes. Exit status 1 when any file failed.
// Used by scripts/check-windows-deps.sh to prove that the static Windows builds of the
// libraries link and decode.

#include <algorithm>
#include <csetjmp>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <gif_lib.h>
#include <jpeglib.h>
#include <jerror.h>
#include <png.h>
#include <tiffio.h>

namespace {

using Bytes = std::vector<unsigned char>;

struct Picture {
  std::string format;
  std::size_t width = 0;
  std::size_t height = 0;
  Bytes rgb;  // width * height * 3, top row first
};

constexpr std::size_t kMaxPixels = 64u * 1024u * 1024u;

void checkSize(std::size_t width, std::size_t height) {
  if (width == 0 || height == 0) throw std::runtime_error("empty picture");
  if (width > kMaxPixels / height) throw std::runtime_error("picture too large");
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open the file");
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- JPEG ------------------------------------------------------------------------------------

struct JpegErrorManager {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void onJpegError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// jpeg_destroy_decompress is safe on a zeroed or already destroyed object.
struct DecompressGuard {
  jpeg_decompress_struct* cinfo;
  ~DecompressGuard() { jpeg_destroy_decompress(cinfo); }
};

void decodeJpeg(const Bytes& data, Picture& picture) {
  picture.format = "JPEG";
  jpeg_decompress_struct cinfo{};
  JpegErrorManager err{};
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = onJpegError;
  const DecompressGuard guard{&cinfo};
  // libjpeg reports errors by jumping back here; no object with a destructor is created
  // between this point and the last libjpeg call.
  if (setjmp(err.jump)) throw std::runtime_error(err.message);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  checkSize(cinfo.output_width, cinfo.output_height);
  picture.width = cinfo.output_width;
  picture.height = cinfo.output_height;
  picture.rgb.resize(picture.width * picture.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &picture.rgb[std::size_t{cinfo.output_scanline} * picture.width * 3];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
}

// ---- GIF -------------------------------------------------------------------------------------

struct GifSource {
  const Bytes* data;
  std::size_t position;
};

int readGifBytes(GifFileType* gif, GifByteType* buffer, int length) {
  auto* source = static_cast<GifSource*>(gif->UserData);
  if (length <= 0) return 0;
  std::size_t left = source->data->size() - source->position;
  std::size_t count = std::min(left, static_cast<std::size_t>(length));
  std::memcpy(buffer, source->data->data() + source->position, count);
  source->position += count;
  return static_cast<int>(count);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

void decodeGif(const Bytes& data, Picture& picture) {
  picture.format = "GIF";
  GifSource source{&data, 0};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, readGifBytes, &error));
  if (!gif) throw std::runtime_error(GifErrorString(error));
  if (DGifSlurp(gif.get()) != GIF_OK) throw std::runtime_error(GifErrorString(gif->Error));
  if (gif->ImageCount < 1) throw std::runtime_error("no image in the file");
  checkSize(static_cast<std::size_t>(gif->SWidth), static_cast<std::size_t>(gif->SHeight));
  picture.width = static_cast<std::size_t>(gif->SWidth);
  picture.height = static_cast<std::size_t>(gif->SHeight);
  picture.rgb.assign(picture.width * picture.height * 3, 0);

  const SavedImage& image = gif->SavedImages[0];
  const GifImageDesc& desc = image.ImageDesc;
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  if (!map) throw std::runtime_error("no colour map");
  if (desc.Left < 0 || desc.Top < 0 || desc.Width <= 0 || desc.Height <= 0 ||
      static_cast<std::size_t>(desc.Left) + static_cast<std::size_t>(desc.Width) > picture.width ||
      static_cast<std::size_t>(desc.Top) + static_cast<std::size_t>(desc.Height) > picture.height) {
    throw std::runtime_error("frame outside the screen");
  }
  const auto frameWidth = static_cast<std::size_t>(desc.Width);
  const auto frameHeight = static_cast<std::size_t>(desc.Height);
  // Rows of an interlaced frame come in four passes.
  std::vector<std::size_t> rowOrder;
  if (desc.Interlace) {
    const std::size_t starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (std::size_t y = starts[pass]; y < frameHeight; y += steps[pass]) rowOrder.push_back(y);
  } else {
    for (std::size_t y = 0; y < frameHeight; ++y) rowOrder.push_back(y);
  }
  for (std::size_t stored = 0; stored < frameHeight; ++stored) {
    const std::size_t y = rowOrder[stored] + static_cast<std::size_t>(desc.Top);
    for (std::size_t x = 0; x < frameWidth; ++x) {
      const int index = image.RasterBits[stored * frameWidth + x];
      if (index >= map->ColorCount) throw std::runtime_error("colour index outside the map");
      const GifColorType& c = map->Colors[index];
      unsigned char* out = &picture.rgb[(y * picture.width + x + static_cast<std::size_t>(desc.Left)) * 3];
      out[0] = c.Red;
      out[1] = c.Green;
      out[2] = c.Blue;
    }
  }
}

// ---- PNG -------------------------------------------------------------------------------------

void decodePng(const Bytes& data, Picture& picture) {
  picture.format = "PNG";
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size()))
    throw std::runtime_error(image.message);
  image.format = PNG_FORMAT_RGB;
  try {
    checkSize(image.width, image.height);
  } catch (...) {
    png_image_free(&image);
    throw;
  }
  picture.width = image.width;
  picture.height = image.height;
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
    std::string message = image.message;
    png_image_free(&image);
    throw std::runtime_error(message);
  }
}

// ---- TIFF ------------------------------------------------------------------------------------

struct TiffSource {
  const Bytes* data;
  toff_t position;
};

tmsize_t readTiff(thandle_t handle, void* buffer, tmsize_t size) {
  auto* source = static_cast<TiffSource*>(handle);
  if (size <= 0 || source->position >= source->data->size()) return 0;
  const std::size_t left = source->data->size() - static_cast<std::size_t>(source->position);
  const std::size_t count = std::min(left, static_cast<std::size_t>(size));
  std::memcpy(buffer, source->data->data() + source->position, count);
  source->position += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t writeTiff(thandle_t, void*, tmsize_t) { return -1; }

toff_t seekTiff(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<TiffSource*>(handle);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = source->position;
  else if (whence == SEEK_END) base = source->data->size();
  else if (whence != SEEK_SET) return static_cast<toff_t>(-1);
  if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
  source->position = base + offset;
  return source->position;
}

int closeTiff(thandle_t) { return 0; }
toff_t sizeTiff(thandle_t handle) { return static_cast<TiffSource*>(handle)->data->size(); }

std::string lastTiffError;
void onTiffError(const char* module, const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  lastTiffError = std::string(module ? module : "libtiff") + ": " + text;
}

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};

std::string tiffCompressionName(uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE: return "none";
    case COMPRESSION_LZW: return "lzw";
    case COMPRESSION_JPEG: return "jpeg";
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return "deflate";
    case COMPRESSION_PACKBITS: return "packbits";
    default: return std::to_string(compression);
  }
}

void decodeTiff(const Bytes& data, Picture& picture) {
  picture.format = "TIFF";
  TIFFSetErrorHandler(onTiffError);
  TIFFSetWarningHandler(nullptr);
  lastTiffError.clear();
  TiffSource source{&data, 0};
  // "m": no memory mapping; the callbacks serve the bytes.
  std::unique_ptr<TIFF, TiffCloser> tif(TIFFClientOpen("memory", "rm", &source, readTiff, writeTiff,
                                                       seekTiff, closeTiff, sizeTiff, nullptr,
                                                       nullptr));
  if (!tif) throw std::runtime_error(std::string("not readable: ").append(lastTiffError));
  uint32_t width = 0, height = 0;
  uint16_t compression = COMPRESSION_NONE;
  TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
  picture.format.append("/").append(tiffCompressionName(compression));
  checkSize(width, height);
  std::vector<uint32_t> raster(std::size_t{width} * height);
  if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 1))
    throw std::runtime_error(std::string("cannot decode: ").append(lastTiffError));
  picture.width = width;
  picture.height = height;
  picture.rgb.resize(raster.size() * 3);
  for (std::size_t i = 0; i < raster.size(); ++i) {
    picture.rgb[i * 3] = static_cast<unsigned char>(TIFFGetR(raster[i]));
    picture.rgb[i * 3 + 1] = static_cast<unsigned char>(TIFFGetG(raster[i]));
    picture.rgb[i * 3 + 2] = static_cast<unsigned char>(TIFFGetB(raster[i]));
  }
}

// ----------------------------------------------------------------------------------------------

bool startsWith(const Bytes& data, std::initializer_list<unsigned char> magic) {
  return data.size() >= magic.size() && std::equal(magic.begin(), magic.end(), data.begin());
}

Picture decode(const Bytes& data) {
  Picture picture;
  if (startsWith(data, {0xFF, 0xD8, 0xFF})) decodeJpeg(data, picture);
  else if (startsWith(data, {'G', 'I', 'F', '8'})) decodeGif(data, picture);
  else if (startsWith(data, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) decodePng(data, picture);
  else if (startsWith(data, {'I', 'I', 42, 0}) || startsWith(data, {'M', 'M', 0, 42}) ||
           startsWith(data, {'I', 'I', 43, 0}) || startsWith(data, {'M', 'M', 0, 43}))
    decodeTiff(data, picture);
  else throw std::runtime_error("unknown picture format");
  if (picture.rgb.size() != picture.width * picture.height * 3)
    throw std::runtime_error("decoder returned a wrong pixel count");
  return picture;
}

std::string pixel(const Picture& picture, std::size_t x, std::size_t y) {
  const unsigned char* p = &picture.rgb[(y * picture.width + x) * 3];
  return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: picture-libs-check FILE...\n";
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string path = argv[i];
    try {
      const Picture picture = decode(readFile(path));
      std::cout << path << ": " << picture.format << ' ' << picture.width << 'x' << picture.height
                << " centre=" << pixel(picture, picture.width / 2, picture.height / 2)
                << " corner=" << pixel(picture, 0, 0) << '\n';
    } catch (const std::exception& e) {
      std::cout << path << ": error: " << e.what() << '\n';
      status = 1;
    }
  }
  return status;
}
