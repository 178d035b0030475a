#include <gtest/gtest.h>

#include "common/random.h"
#include "raster/stretch.h"
#include "support/temp_dir.h"
#include "transition/display_fixture.h"

namespace kestro::testing {
namespace {

constexpr TColor kColor = RGBColor(0, 0, 90);

class Preparation : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    MakeWindow(800, 600);
    display->SetColor(kColor);
    display->SetAutoSize(false);
    display->OnChange = [this](TCustomVorelscreen&) { ++changes; };
  }
  // Prepares a picture of the given size; returns the prepared bitmap.
  const Bitmap24& Prepare(std::int32_t w, std::int32_t h, std::uint8_t seed = 0) {
    source = PositionBitmap(w, h, seed);
    SetBitmap(display->Picture(), source);
    changes = 0;
    display->PreparePicture();
    return BitmapOf(display->Picture());
  }
  TPoint Size() const { return {display->Picture().Width(), display->Picture().Height()}; }
  // The prepared picture without its border.
  TPoint Fitted() const { return {display->PreviousPicture()->Width(), display->PreviousPicture()->Height()}; }

  Bitmap24 source;
  int changes = 0;
};

TEST_F(Preparation, Mode0ShrinksOnlyPicturesLargerThanTheControl) {
  EXPECT_EQ(Prepare(400, 300), source);
  EXPECT_EQ(changes, 0) << "a picture that fits is left alone";
  Prepare(1600, 900);
  EXPECT_EQ(Size(), (TPoint{800, 450}));
  EXPECT_EQ(display->PictureArea(), (TRect{0, 0, 800, 450}));
  Prepare(900, 1200);
  EXPECT_EQ(Fitted(), (TPoint{450, 600}));
}

TEST_F(Preparation, Mode2ScalesEveryPicture) {
  display->FitMode = 2;
  Prepare(400, 300);
  EXPECT_EQ(Size(), (TPoint{800, 600}));
  Prepare(300, 400);
  EXPECT_EQ(Fitted(), (TPoint{450, 600}));
  EXPECT_EQ(Size(), (TPoint{803, 603})) << "narrower than the picture before: bordered";
}

TEST_F(Preparation, Mode1CropsTheMiddleOfALargerPicture) {
  display->FitMode = 1;
  const Bitmap24& out = Prepare(1000, 500);
  ASSERT_EQ(Size(), (TPoint{800, 600}));
  EXPECT_EQ(out.GetPixel(0, 50), source.GetPixel(100, 0));
  EXPECT_EQ(out.GetPixel(799, 549), source.GetPixel(899, 499));
  EXPECT_EQ(out.GetPixel(400, 49), kColor);
  EXPECT_EQ(out.GetPixel(400, 550), kColor);
  Prepare(400, 300);
  EXPECT_EQ(BitmapOf(*display->PreviousPicture()), source) << "a picture that fits keeps its size";
}

TEST_F(Preparation, RandomPositionLeavesAFullSizePictureAndDrawsNothing) {
  display->RandomPosition = true;
  RandomState = 1234;
  EXPECT_EQ(Prepare(800, 600), source);
  EXPECT_EQ(RandomState, 1234u);
}

TEST_F(Preparation, RandomPositionDrawsXThenY) {
  display->RandomPosition = true;
  RandomState = 99;
  const std::int32_t x = RandomBelow(800 - 400);
  const std::int32_t y = RandomBelow(600 - 300);
  const std::uint32_t after = RandomState;
  RandomState = 99;
  const Bitmap24& out = Prepare(400, 300);
  EXPECT_EQ(RandomState, after);
  ASSERT_EQ(Size(), (TPoint{800, 600}));
  EXPECT_EQ(out.GetPixel(x, y), source.GetPixel(0, 0));
  EXPECT_EQ(out.GetPixel(x + 399, y + 299), source.GetPixel(399, 299));
  // A picture as wide as the control still makes the x draw, which gives 0.
  RandomState = 5;
  EXPECT_EQ(RandomBelow(0), 0);
  const std::int32_t y2 = RandomBelow(600 - 300);
  const std::uint32_t afterWide = RandomState;
  RandomState = 5;
  const Bitmap24& wide = Prepare(800, 300);
  EXPECT_EQ(RandomState, afterWide);
  EXPECT_EQ(wide.GetPixel(0, y2), source.GetPixel(0, 0));
}

TEST_F(Preparation, TheFitRoundsTheExactQuotient) {
  // 190 * 600 / 608 is exactly 187.5: the even neighbour is 188, where a
  // division in doubles lands just below the half and gives 187.
  Prepare(190, 608);
  EXPECT_EQ(Fitted(), (TPoint{188, 600}));
}

TEST_F(Preparation, FillPictureTiledOrStretchedUnderACentredPicture) {
  auto fill = std::make_unique<TPicture>();
  Bitmap24 tile(2, 2, RGBColor(1, 1, 1));
  tile.SetPixel(1, 1, RGBColor(200, 0, 0));
  SetBitmap(*fill, tile);
  display->BackFillPicture = std::move(fill);
  display->BackFillMode = 1;
  const Bitmap24& tiled = Prepare(400, 300);
  ASSERT_EQ(Size(), (TPoint{800, 600})) << "no border over a fill picture";
  EXPECT_EQ(tiled.GetPixel(0, 0), RGBColor(1, 1, 1));
  EXPECT_EQ(tiled.GetPixel(799, 599), RGBColor(200, 0, 0));
  EXPECT_EQ(tiled.GetPixel(200, 150), source.GetPixel(0, 0));
  display->BackFillMode = 2;
  const Bitmap24& stretched = Prepare(400, 300);
  EXPECT_EQ(stretched.GetPixel(0, 0), RGBColor(1, 1, 1));
  EXPECT_EQ(stretched.GetPixel(799, 599), RGBColor(200, 0, 0));
  EXPECT_EQ(stretched.GetPixel(400, 0), RGBColor(1, 1, 1));
  EXPECT_EQ(stretched.GetPixel(599, 449), source.GetPixel(399, 299));
}

TEST_F(Preparation, ASmallerPictureIsBorderedToThePreviousSize) {
  Prepare(800, 600);
  EXPECT_EQ(Size(), (TPoint{800, 600})) << "the first picture is not bordered";
  const Bitmap24& out = Prepare(800, 450);
  ASSERT_EQ(Size(), (TPoint{803, 603}));
  EXPECT_EQ(display->PictureArea(), (TRect{3, 77, 803, 527}));
  EXPECT_EQ(out.GetPixel(3, 77), source.GetPixel(0, 0));
  EXPECT_EQ(out.GetPixel(802, 526), source.GetPixel(799, 449));
  EXPECT_EQ(out.GetPixel(2, 77), kColor);
  EXPECT_EQ(out.GetPixel(3, 76), kColor);
  EXPECT_EQ(BitmapOf(*display->PreviousPicture()), source) << "the copy is kept without its border";
  // The next picture compares with 800 x 450, not with the bordered size.
  Prepare(800, 450);
  EXPECT_EQ(Size(), (TPoint{800, 450}));
}

TEST_F(Preparation, PadToClientBordersEvenTheFirstPicture) {
  display->PadToClient = true;
  Prepare(400, 300);
  ASSERT_EQ(Size(), (TPoint{803, 603}));
  // ex = RoundHalfEven(403 / 2) + 1, ey = RoundHalfEven(303 / 2) + 1
  EXPECT_EQ(display->PictureArea(), (TRect{203, 153, 603, 453}));
}

TEST_F(Preparation, EveryReplacingStepFiresTheChangeHandler) {
  Prepare(800, 600);
  display->CaptionText = "Hello";
  display->CaptionPosition = 3;
  display->RandomPosition = true;
  Prepare(1600, 600);  // fit, random placement, caption
  EXPECT_EQ(changes, 3);
  display->CaptionText.clear();
  display->RandomPosition = false;
  Prepare(1600, 600);  // fit, border
  EXPECT_EQ(changes, 2);
}

TEST_F(Preparation, CaptionPositions) {
  display->CaptionText = "Caption";  // 49 x 16 in the test font
  display->CaptionPosition = 2;
  Prepare(800, 600);
  ASSERT_EQ(text.drawn.size(), 1u);
  EXPECT_EQ(text.drawn[0], (TPoint{375, 10})) << "above a full-height picture: at the top margin";
  display->CaptionPosition = 1;
  Prepare(800, 450);
  EXPECT_EQ(text.drawn[1], (TPoint{375, 75 + 450 + 10}));
  display->CaptionPosition = 3;
  Prepare(800, 450);
  EXPECT_EQ(text.drawn[2], (TPoint{375, 600 - 26}));
  display->CaptionPosition = 4;
  Prepare(800, 450);
  EXPECT_EQ(text.drawn[3], (TPoint{375, 10}));
  display->CaptionPosition = 5;
  display->CaptionX = 900;
  display->CaptionY = -20;
  Prepare(800, 450);
  EXPECT_EQ(text.drawn[4], (TPoint{800 - 49, 0})) << "beyond the width: ends at the right edge";
  display->CaptionY = 700;
  display->CaptionX = 30;
  Prepare(800, 450);
  EXPECT_EQ(text.drawn[5], (TPoint{30, 600 - 16}));
}

TEST_F(Preparation, TheCaptionIsDrawnIntoAControlSizePicture) {
  display->CaptionText = "Hi";
  display->CaptionPosition = 1;
  display->CaptionFont.color = RGBColor(0, 255, 0);
  const Bitmap24& out = Prepare(400, 300);
  ASSERT_EQ(Size(), (TPoint{800, 600}));
  EXPECT_EQ(out.GetPixel(200, 150), source.GetPixel(0, 0));
  EXPECT_EQ(out.GetPixel(393, 460), RGBColor(0, 255, 0));
  EXPECT_EQ(out.GetPixel(393, 459), kColor);
}

TEST_F(Preparation, LoadFromFileLoadsAndPrepares) {
  TempDir dir;
  const Bitmap24 big = PositionBitmap(1600, 900);
  WriteBmp(dir.File("big.bmp"), big);
  display->LoadFromFile(dir.File("big.bmp"));
  ASSERT_EQ(Size(), (TPoint{800, 450}));
  Bitmap24 fitted(800, 450);
  StretchCopy(fitted, fitted.Bounds(), big, big.Bounds());
  EXPECT_EQ(BitmapOf(display->Picture()), fitted);
}

TEST_F(Preparation, LoadFromFileSwallowsFailures) {
  SetBitmap(display->Picture(), PositionBitmap(10, 10));
  EXPECT_NO_THROW(display->LoadFromFile("/nonexistent/picture.png"));
  EXPECT_NO_THROW(display->LoadFromFile("picture.xyz"));
  EXPECT_EQ(BitmapOf(display->Picture()), PositionBitmap(10, 10));
}

}  // namespace
}  // namespace kestro::testing
