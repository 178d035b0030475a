#include <iterator>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "imaging/errors.h"
#include "imaging/formats.h"

namespace kestro {
namespace {

TEST(PictureFileFormats, HoldsEveryRowWithItsDescription) {
  struct Row {
    const char* ext;
    const char* description;
    TDecoderKind kind;
  };
  using K = TDecoderKind;
  const Row rows[] = {
      {"bmp", "Windows bitmaps", K::dkWindowsBitmap},
      {"rle", "Run length encoded Windows bitmaps", K::dkWindowsBitmap},
      {"dib", "Device independant Windows bitmaps", K::dkWindowsBitmap},
      {"ico", "Windows icons", K::dkWindowsIcon},
      {"wmf", "Windows metafiles", K::dkWindowsMetafile},
      {"emf", "Windows enhanced meta files", K::dkWindowsMetafile},
      {"jpg", "JPG images", K::dkJPEG},
      {"jpeg", "JPEG images", K::dkJPEG},
      {"jpe", "JPE images", K::dkJPEG},
      {"jfif", "JFIF images", K::dkJPEG},
      {"gif", "GIF Image", K::dkGIF},
      {"tga", "Truevision images", K::dkTarga},
      {"win", "Truevision images", K::dkTarga},
      {"vst", "Truevision images", K::dkTarga},
      {"vda", "Truevision images", K::dkTarga},
      {"icb", "Truevision images", K::dkTarga},
      {"tif", "PC TIF images", K::dkTIFF},
      {"tiff", "Macintosh TIFF images", K::dkTIFF},
      {"fax", "GFI fax images", K::dkTIFF},
      {"eps", "Encapsulated Postscript images", K::dkEPS},
      {"pcx", "ZSoft Paintbrush images", K::dkPCX},
      {"pcc", "ZSoft Paintbrush images", K::dkPCX},
      {"scr", "Word 5.x screen capture images", K::dkPCX},
      {"rla", "Alias/Wavefront images", K::dkRLA},
      {"rpf", "Alias/Wavefront images", K::dkRLA},
      {"sgi", "SGI images", K::dkSGI},
      {"rgb", "SGI true color images", K::dkSGI},
      {"rgba", "SGI true color images with alpha", K::dkSGI},
      {"bw", "SGI black/white images", K::dkSGI},
      {"psd", "Photoshop images", K::dkPhotoshop},
      {"pdd", "Photoshop images", K::dkPhotoshop},
      {"ppm", "Portable pixel map images", K::dkPortableAnyMap},
      {"pgm", "Portable gray map images", K::dkPortableAnyMap},
      {"pbm", "Portable bitmap images", K::dkPortableAnyMap},
      {"cel", "Autodesk images", K::dkAutodesk},
      {"pic", "Autodesk images", K::dkAutodesk},
      {"pcd", "Kodak Photo-CD images", K::dkPhotoCD},
      {"cut", "Dr. Halo images", K::dkDrHalo},
      {"psp", "Paintshop Pro images", K::dkPaintshopPro},
      {"png", "Portable network graphic images", K::dkPNG},
  };
  const TFileFormatsList& list = PictureFileFormats();
  std::set<std::string> registered;
  for (const auto& e : list.Entries()) registered.insert(e.extension);
  EXPECT_EQ(registered.size(), std::size(rows));
  for (const Row& row : rows) {
    const TFileFormat* f = list.FindExt(row.ext);
    ASSERT_NE(f, nullptr) << row.ext;
    EXPECT_EQ(f->description, row.description) << row.ext;
    EXPECT_EQ(f->kind, row.kind) << row.ext;
  }
  // The JPEG decoder's own registration is there too, answered by the later rows.
  int jpegImageFile = 0;
  for (const auto& e : list.Entries()) jpegImageFile += e.description == "JPEG Image File";
  EXPECT_EQ(jpegImageFile, 2);
}

TEST(PictureFileFormats, LookupIgnoresCaseAndLaterEntryWins) {
  TFileFormatsList list;
  list.Add(".PNG", "first", TDecoderKind::dkPNG);
  list.Add("png", "second", TDecoderKind::dkTIFF);
  ASSERT_NE(list.FindExt("pNg"), nullptr);
  EXPECT_EQ(list.FindExt("pNg")->description, "second");
  EXPECT_EQ(list.FindExt("PNG")->kind, TDecoderKind::dkTIFF);
  EXPECT_EQ(list.Entries().front().extension, "png");
  EXPECT_EQ(list.FindExt(".png"), nullptr);  // looked up without the dot
  EXPECT_EQ(list.FindExt("pn"), nullptr);
  EXPECT_EQ(PictureFileFormats().FindExt("xyz"), nullptr);
}

TEST(PictureFileFormats, KindsWithoutDecoderRaiseAnErrorNamingTheFormat) {
  const std::uint8_t data[] = {'8', 'B', 'P', 'S', 0, 1};
  for (TDecoderKind kind : {TDecoderKind::dkPhotoshop, TDecoderKind::dkRLA, TDecoderKind::dkAutodesk,
                            TDecoderKind::dkPhotoCD, TDecoderKind::dkDrHalo, TDecoderKind::dkPaintshopPro}) {
    EXPECT_FALSE(DecoderAvailable(kind));
    try {
      DecodeGraphic(kind, data);
      ADD_FAILURE() << DecoderKindName(kind);
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), std::string(DecoderKindName(kind)) + " images are not supported");
    }
  }
  EXPECT_EQ(std::string(DecoderKindName(TDecoderKind::dkPhotoshop)), "Photoshop");
}

TEST(PictureFileFormats, MetafilesNeedWindows) {
  const std::uint8_t emf[100] = {1};
#ifdef _WIN32
  EXPECT_TRUE(DecoderAvailable(TDecoderKind::dkWindowsMetafile));
#else
  EXPECT_FALSE(DecoderAvailable(TDecoderKind::dkWindowsMetafile));
  try {
    DecodeGraphic(TDecoderKind::dkWindowsMetafile, emf);
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Windows metafiles are not supported on this platform");
  }
#endif
}

}  // namespace
}  // namespace kestro
