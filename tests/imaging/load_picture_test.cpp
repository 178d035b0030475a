#include <set>

#include <gtest/gtest.h>

#include "common/paths.h"
#include "imaging/decoders.h"
#include "imaging/errors.h"
#include "imaging/load_picture.h"
#include "platform/api/display.h"
#include "support/temp_dir.h"
#include "test_pictures.h"

namespace kestro {
namespace {

using namespace kestro::testing;

constexpr TColor kFlatten = 0x00C08040;  // the component's colour

class LoadPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    picture.OnChange = [this](TPicture&) { ++changes; };
  }
  void TearDown() override { platform::InstallDisplayBitsPerPixel(0); }

  std::string Write(const std::string& name, const Bytes& data) {
    const std::string path = dir.File(name);
    WriteFile(path, data);
    return path;
  }
  // Puts a non-bitmap graphic into the picture and forgets the changes.
  void HoldRaster() {
    DecodedImage image;
    image.pixels = Bitmap24(3, 3);
    picture.SetGraphic(std::make_unique<TRasterImage>(std::move(image), "test"));
    changes = 0;
  }
  void HoldBitmap(int w, int h) {
    Bitmap24 b(w, h);
    b.Fill(0x123456);
    picture.SetGraphic(std::make_unique<TBitmap>(std::move(b)));
    changes = 0;
  }
  const Bitmap24& Pixels() {
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    EXPECT_NE(bitmap, nullptr);
    return bitmap->Image();
  }

  TempDir dir;
  TPicture picture;
  int changes = 0;
};

TEST_F(LoadPictureTest, MixedCaseJpgTakesTheJpegPath) {
  // The JPEG path leaves a missing file alone; the registry would raise.
  HoldRaster();
  EXPECT_NO_THROW(LoadPicture(picture, dir.File("missing.JpG"), kFlatten));
  ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);  // asking for the bitmap emptied it
  EXPECT_TRUE(picture.Graphic()->Empty());
  EXPECT_THROW(LoadPicture(picture, dir.File("missing.jpe"), kFlatten), EFOpenError);

  const std::string path = Write("photo.JpG", MakeJpeg(JpegBlocks(), {}));
  HoldBitmap(5, 5);
  LoadPicture(picture, path, kFlatten);
  EXPECT_EQ(changes, 1);  // the bitmap received the picture; nothing more
  EXPECT_TRUE(NearInside(Pixels(), JpegBlocks(), 6));
}

TEST_F(LoadPictureTest, JpeAndJfifGoThroughTheRegistryAndAreFlattened) {
  for (const char* name : {"photo.jpe", "photo.JFIF"}) {
    const std::string path = Write(name, MakeJpeg(JpegBlocks(), {}));
    HoldBitmap(5, 5);
    LoadPicture(picture, path, kFlatten);
    EXPECT_EQ(changes, 2) << name;  // the decoded picture, then its flattened copy
    EXPECT_TRUE(NearInside(Pixels(), JpegBlocks(), 6)) << name;
  }
}

TEST_F(LoadPictureTest, IconBecomesOpaqueOnTheColour) {
  Rgba icon = Gradient(16, 16);
  icon.alpha.assign(icon.color.size(), 255);
  for (int i = 0; i < 16; ++i) icon.alpha[static_cast<std::size_t>(i) * 16 + i] = 0;  // a transparent diagonal
  const std::string path = Write("icon.ico", MakeIco({MakeIconDib(icon, 24)}));
  LoadPicture(picture, path, kFlatten);
  const Bitmap24& out = Pixels();
  ASSERT_EQ(out.Width(), 16);
  ASSERT_EQ(out.Height(), 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) EXPECT_EQ(out.GetPixel(x, y), x == y ? kFlatten : icon.At(x, y)) << x << "," << y;
  }
}

TEST_F(LoadPictureTest, AnimatedGifGivesItsFirstFrameUnflattened) {
  const std::vector<TColor> map = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
  Indexed first = Palettized(6, 4, 4);
  first.palette = map;
  first.indices[0] = 3;  // transparent in the first frame: the GIF's background shows
  Indexed second = first;
  second.indices.assign(second.indices.size(), 1);
  const std::string path = Write("anim.gif", MakeGif(6, 4, map, 2, {GifFrame{first, 0, 0, 3}, GifFrame{second}}));
  HoldBitmap(2, 2);
  LoadPicture(picture, path, kFlatten);
  EXPECT_EQ(changes, 1);
  Rgba expected = first.ToRgba();
  for (std::size_t i = 0; i < expected.color.size(); ++i) {
    if (first.indices[i] == 3) expected.color[i] = map[2];
  }
  EXPECT_TRUE(SamePixels(Pixels(), expected));
}

TEST_F(LoadPictureTest, UnknownExtensionNamesItAsWritten) {
  HoldRaster();
  const TGraphic* before = picture.Graphic();
  for (const std::string name : {"picture.xyz", "picture.XyZ"}) {
    try {
      LoadPicture(picture, dir.File(name), kFlatten);
      ADD_FAILURE() << name;
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Unknown picture file extension (." + name.substr(8) + ")");
    }
  }
  try {
    LoadPicture(picture, dir.File("no_extension"), kFlatten);
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.)");
  }
  EXPECT_EQ(picture.Graphic(), before);
  EXPECT_EQ(changes, 0);
}

TEST_F(LoadPictureTest, BmpIsNotFlattenedButOtherBitmapsAre) {
  const Rgba p = Gradient(7, 3);
  HoldBitmap(1, 1);
  LoadPicture(picture, Write("a.bmp", MakeBmp(p, BmpOptions{24})), kFlatten);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(SamePixels(Pixels(), p));
  HoldBitmap(1, 1);
  LoadPicture(picture, Write("a.dib", MakeBmp(p, BmpOptions{24})), kFlatten);
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(SamePixels(Pixels(), p));
}

TEST_F(LoadPictureTest, AlphaIsBlendedOntoTheColour) {
  Rgba p = Gradient(5, 2);
  p.alpha.assign(p.color.size(), 255);
  p.alpha[0] = 0;
  p.alpha[1] = 128;
  LoadPicture(picture, Write("a.png", MakePng(p, {})), kFlatten);
  const Bitmap24& out = Pixels();
  EXPECT_EQ(out.GetPixel(0, 0), kFlatten);
  for (int shift = 0; shift < 24; shift += 8) {
    const int src = (p.At(1, 0) >> shift) & 255, dst = (kFlatten >> shift) & 255;
    EXPECT_NEAR(static_cast<int>((out.GetPixel(1, 0) >> shift) & 255), (src * 128 + dst * 127) / 255, 1);
  }
  EXPECT_EQ(out.GetPixel(2, 0), p.At(2, 0));
}

TEST_F(LoadPictureTest, EveryDecodedFormatLoadsByItsExtension) {
  const Rgba p = Gradient(9, 6);
  const Indexed idx = Palettized(9, 6, 16);
  struct Case {
    std::string name;
    Bytes data;
    Rgba expected;
  };
  Rgba grey = p;
  for (TColor& c : grey.color) c = imaging::RGB(imaging::Red(c), imaging::Red(c), imaging::Red(c));
  const std::vector<Case> cases = {
      {"a.rle", MakeBmp(idx, BmpOptions{4, 40, false, false, true}), idx.ToRgba()},
      {"a.png", MakePng(p, {}), p},
      {"a.tif", MakeTiff(p, false, 5), p},
      {"a.TIFF", MakeTiff(p, false, 1), p},
      {"a.fax", MakeTiff(p, false, 1), p},
      {"a.tga", MakeTga(p, {}), p},
      {"a.icb", MakeTga(p, TgaOptions{10, 24}), p},
      {"a.pcx", MakePcx24(p), p},
      {"a.scr", MakePcxPlanar(idx, 4), idx.ToRgba()},
      {"a.ppm", MakePnm(p, 6, 255), p},
      {"a.pgm", MakePnm(grey, 2, 255), grey},
      {"a.rgb", MakeSgi(p, true, 3), p},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadPicture(picture, Write(c.name, c.data), kFlatten);
    EXPECT_TRUE(SamePixels(Pixels(), c.expected));
  }
}

TEST_F(LoadPictureTest, FailedDecodeKeepsTheContent) {
  HoldRaster();
  const TGraphic* before = picture.Graphic();
  Bytes bad = MakePng(Gradient(4, 4), {});
  bad.resize(bad.size() / 2);
  EXPECT_THROW(LoadPicture(picture, Write("bad.png", bad), kFlatten), EPNGError);
  EXPECT_EQ(picture.Graphic(), before);

  // The JPEG path asked for the bitmap first: a raster became an empty bitmap.
  Bytes badJpeg = MakeJpeg(JpegBlocks(), {});
  badJpeg.resize(badJpeg.size() / 2);
  EXPECT_THROW(LoadPicture(picture, Write("bad.jpg", badJpeg), kFlatten), EJPEG);
  ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
  EXPECT_TRUE(picture.Graphic()->Empty());
  // A bitmap it held stays as it was.
  HoldBitmap(4, 2);
  EXPECT_THROW(LoadPicture(picture, Write("bad.jpeg", badJpeg), kFlatten), EJPEG);
  EXPECT_EQ(picture.Width(), 4);
  EXPECT_EQ(Pixels().GetPixel(3, 1), 0x123456u);
  EXPECT_THROW(LoadPicture(picture, dir.File("missing.gif"), kFlatten), EGIFError);
}

TEST_F(LoadPictureTest, PaletteDisplayQuantizesJpegs) {
  const Rgba p = Gradient(64, 32);
  const std::string path = Write("q.jpg", MakeJpeg(p, {}));
  platform::InstallDisplayBitsPerPixel(8);
  LoadPicture(picture, path, kFlatten);
  std::set<TColor> colours;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) colours.insert(Pixels().GetPixel(x, y));
  }
  EXPECT_LE(colours.size(), 256u);
  platform::InstallDisplayBitsPerPixel(16);
  LoadPicture(picture, path, kFlatten);
  colours.clear();
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) colours.insert(Pixels().GetPixel(x, y));
  }
  EXPECT_GT(colours.size(), 256u);
}

TEST(ExtractFileExt, TakesTheLastDotOfTheNamePart) {
  EXPECT_EQ(ExtractFileExt("a.b.Jpg"), ".Jpg");
  EXPECT_EQ(ExtractFileExt("C:\\dir.pics\\photo"), "");
  EXPECT_EQ(ExtractFileExt("/tmp/dir.pics/photo"), "");
  EXPECT_EQ(ExtractFileExt("name."), ".");
  EXPECT_EQ(ExtractFileExt(""), "");
}

TEST(Picture, BitmapReplacesOtherContentAndChangesAreReported) {
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TPicture&) { ++changes; };
  TBitmap& empty = picture.Bitmap();
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(empty.Empty());
  EXPECT_FALSE(picture.HasGraphic());
  EXPECT_EQ(&picture.Bitmap(), &empty);  // a bitmap stays
  EXPECT_EQ(changes, 1);
  empty.Reset(3, 2, 0xFF);
  EXPECT_EQ(changes, 2);  // changes of the held bitmap reach the owner
  EXPECT_TRUE(picture.HasGraphic());

  TPicture copy;
  copy.Assign(&picture);
  EXPECT_EQ(copy.Width(), 3);
  EXPECT_NE(copy.Graphic(), picture.Graphic());
  picture.Bitmap().Reset(1, 1, 0);
  EXPECT_EQ(copy.Width(), 3);  // a copy, not a share
  copy.Assign(nullptr);
  EXPECT_EQ(copy.Graphic(), nullptr);

  DecodedImage image;
  image.pixels = Bitmap24(2, 2);
  picture.SetGraphic(std::make_unique<TIcon>(std::move(image)));
  const int before = changes;
  TBitmap& replaced = picture.Bitmap();
  EXPECT_EQ(changes, before + 1);
  EXPECT_TRUE(replaced.Empty());
}

}  // namespace
}  // namespace kestro
