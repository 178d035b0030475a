#include "imaging/formats.h"

#include <algorithm>
#include <cctype>

#include "imaging/decoders.h"
#include "imaging/errors.h"
#include "platform/api/metafile.h"

namespace kestro {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

TFileFormatsList BuildPictureFileFormats() {
  using K = TDecoderKind;
  TFileFormatsList list;
  list.Add("bmp", "Windows bitmaps", K::dkWindowsBitmap);
  list.Add("rle", "Run length encoded Windows bitmaps", K::dkWindowsBitmap);
  list.Add("dib", "Device independant Windows bitmaps", K::dkWindowsBitmap);
  list.Add("ico", "Windows icons", K::dkWindowsIcon);
  list.Add("wmf", "Windows metafiles", K::dkWindowsMetafile);
  list.Add("emf", "Windows enhanced meta files", K::dkWindowsMetafile);
  // The JPEG decoder registers two extensions under one description; the
  // later, per-extension entries answer for them.
  list.Add("jpeg", "JPEG Image File", K::dkJPEG);
  list.Add("jpg", "JPEG Image File", K::dkJPEG);
  list.Add("jpg", "JPG images", K::dkJPEG);
  list.Add("jpeg", "JPEG images", K::dkJPEG);
  list.Add("jpe", "JPE images", K::dkJPEG);
  list.Add("jfif", "JFIF images", K::dkJPEG);
  list.Add("gif", "GIF Image", K::dkGIF);
  for (const char* ext : {"tga", "win", "vst", "vda", "icb"}) list.Add(ext, "Truevision images", K::dkTarga);
  list.Add("tif", "Tagged image file format images", K::dkTIFF);
  list.Add("tiff", "Tagged image file format images", K::dkTIFF);
  list.Add("tif", "PC TIF images", K::dkTIFF);
  list.Add("tiff", "Macintosh TIFF images", K::dkTIFF);
  list.Add("fax", "GFI fax images", K::dkTIFF);
  list.Add("eps", "Encapsulated Postscript images", K::dkEPS);
  list.Add("pcx", "ZSoft Paintbrush images", K::dkPCX);
  list.Add("pcc", "ZSoft Paintbrush images", K::dkPCX);
  list.Add("scr", "Word 5.x screen capture images", K::dkPCX);
  list.Add("rla", "Alias/Wavefront images", K::dkRLA);
  list.Add("rpf", "Alias/Wavefront images", K::dkRLA);
  list.Add("sgi", "SGI images", K::dkSGI);
  list.Add("rgb", "SGI true color images", K::dkSGI);
  list.Add("rgba", "SGI true color images with alpha", K::dkSGI);
  list.Add("bw", "SGI black/white images", K::dkSGI);
  list.Add("psd", "Photoshop images", K::dkPhotoshop);
  list.Add("pdd", "Photoshop images", K::dkPhotoshop);
  list.Add("ppm", "Portable pixel map images", K::dkPortableAnyMap);
  list.Add("pgm", "Portable gray map images", K::dkPortableAnyMap);
  list.Add("pbm", "Portable bitmap images", K::dkPortableAnyMap);
  list.Add("cel", "Autodesk images", K::dkAutodesk);
  list.Add("pic", "Autodesk images", K::dkAutodesk);
  list.Add("pcd", "Kodak Photo-CD images", K::dkPhotoCD);
  list.Add("cut", "Dr. Halo images", K::dkDrHalo);
  list.Add("psp", "Paintshop Pro images", K::dkPaintshopPro);
  list.Add("png", "Portable network graphic images", K::dkPNG);
  return list;
}

std::unique_ptr<TGraphic> Raster(DecodedImage image, const char* format) {
  return std::make_unique<TRasterImage>(std::move(image), format);
}

std::unique_ptr<TGraphic> LoadMetafileGraphic(std::span<const std::uint8_t> data) {
  if (!platform::MetafilesSupported()) {
    throw EInvalidGraphic("Windows metafiles are not supported on this platform");
  }
  std::shared_ptr<const platform::Metafile> metafile = platform::LoadMetafile(data.data(), data.size());
  if (!metafile) throw EInvalidGraphic("Metafile is not valid");
  imaging::CheckPictureSize(metafile->Width(), metafile->Height());
  return std::make_unique<TMetafile>(std::move(metafile));
}

}  // namespace

void TFileFormatsList::Add(std::string_view extension, std::string description, TDecoderKind kind) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  entries_.push_back({Lower(extension), std::move(description), kind});
}

const TFileFormat* TFileFormatsList::FindExt(std::string_view extension) const {
  const std::string wanted = Lower(extension);
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (it->extension == wanted) return &*it;
  }
  return nullptr;
}

const TFileFormatsList& PictureFileFormats() {
  static const TFileFormatsList list = BuildPictureFileFormats();
  return list;
}

const char* DecoderKindName(TDecoderKind kind) {
  switch (kind) {
    case TDecoderKind::dkWindowsBitmap: return "Windows bitmap";
    case TDecoderKind::dkWindowsIcon: return "Windows icon";
    case TDecoderKind::dkWindowsMetafile: return "Windows metafile";
    case TDecoderKind::dkJPEG: return "JPEG";
    case TDecoderKind::dkGIF: return "GIF";
    case TDecoderKind::dkTarga: return "Truevision Targa";
    case TDecoderKind::dkTIFF: return "TIFF";
    case TDecoderKind::dkEPS: return "Encapsulated PostScript";
    case TDecoderKind::dkPCX: return "PCX";
    case TDecoderKind::dkRLA: return "Alias/Wavefront RLA";
    case TDecoderKind::dkSGI: return "SGI";
    case TDecoderKind::dkPhotoshop: return "Photoshop";
    case TDecoderKind::dkPortableAnyMap: return "Portable any-map";
    case TDecoderKind::dkAutodesk: return "Autodesk";
    case TDecoderKind::dkPhotoCD: return "Kodak Photo-CD";
    case TDecoderKind::dkDrHalo: return "Dr. Halo";
    case TDecoderKind::dkPaintshopPro: return "Paintshop Pro";
    case TDecoderKind::dkPNG: return "PNG";
  }
  return "picture";
}

bool DecoderAvailable(TDecoderKind kind) {
  switch (kind) {
    case TDecoderKind::dkWindowsMetafile: return platform::MetafilesSupported();
    case TDecoderKind::dkRLA:
    case TDecoderKind::dkPhotoshop:
    case TDecoderKind::dkAutodesk:
    case TDecoderKind::dkPhotoCD:
    case TDecoderKind::dkDrHalo:
    case TDecoderKind::dkPaintshopPro: return false;
    default: return true;
  }
}

std::unique_ptr<TGraphic> DecodeGraphic(TDecoderKind kind, std::span<const std::uint8_t> data) {
  using namespace imaging;
  switch (kind) {
    case TDecoderKind::dkWindowsBitmap: return std::make_unique<TBitmap>(std::move(DecodeBMP(data).pixels));
    case TDecoderKind::dkWindowsIcon: return std::make_unique<TIcon>(DecodeICO(data));
    case TDecoderKind::dkWindowsMetafile: return LoadMetafileGraphic(data);
    case TDecoderKind::dkJPEG: return std::make_unique<TBitmap>(std::move(DecodeJPEG(data, JpegOutputForDisplay()).pixels));
    case TDecoderKind::dkGIF: return std::make_unique<TBitmap>(std::move(DecodeGIF(data).pixels));
    case TDecoderKind::dkTarga: return Raster(DecodeTarga(data), "Targa");
    case TDecoderKind::dkTIFF: return Raster(DecodeTIFF(data), "TIFF");
    case TDecoderKind::dkPCX: return Raster(DecodePCX(data), "PCX");
    case TDecoderKind::dkSGI: return Raster(DecodeSGI(data), "SGI");
    case TDecoderKind::dkPortableAnyMap: return Raster(DecodePNM(data), "Portable any-map");
    case TDecoderKind::dkPNG: return Raster(DecodePNG(data), "PNG");
    case TDecoderKind::dkEPS: {
      const EpsPreview preview = FindEPSPreview(data);
      if (preview.kind == EpsPreview::kTIFF) return Raster(DecodeTIFF(preview.data), "EPS preview");
      if (preview.kind == EpsPreview::kWMF) return LoadMetafileGraphic(preview.data);
      throw EInvalidGraphic("Encapsulated PostScript file has no preview image");
    }
    default:
      break;
  }
  throw EInvalidGraphic(std::string(DecoderKindName(kind)) + " images are not supported");
}

}  // namespace kestro
