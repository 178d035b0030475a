#include "saver/preview_form.h"

#include "saver/windows_fixture.h"

namespace kestro::testing {
namespace {

constexpr platform::WindowHandle kHost = 0x5150;

class PreviewTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    RunMode = kRunPreview;
  }
  void TearDown() override {
    preview.reset();
    still.reset();
    WindowsTest::TearDown();
  }
  platform::HeadlessWindow& Headless(platform::Window& w) { return static_cast<platform::HeadlessWindow&>(w); }

  std::unique_ptr<TPreviewForm> preview;
  std::unique_ptr<TCommercePreviewForm> still;
};

TEST_F(PreviewTest, InAHostTheFrameLiesOutsideAndTheClientCoversTheHost) {
  ui.frameWidth = 4;
  ui.captionHeight = 19;
  ui.AddHostWindow(kHost, {300, 200, 452, 312});  // 152 x 112
  ParentWindow = kHost;
  preview = std::make_unique<TPreviewForm>();
  platform::HeadlessWindow& w = Headless(preview->Window());
  EXPECT_EQ(w.Parent(), kHost);
  EXPECT_EQ(w.Style(), platform::WindowStyle::kFramed);
  const TRect b = w.Bounds();
  EXPECT_EQ(b.Left, -8);
  EXPECT_EQ(b.Top, -27);
  EXPECT_EQ(b.Width(), 170);
  EXPECT_EQ(b.Height(), 149);
  // The client area starts at (-4, -4) of the host and reaches past its
  // right and bottom edges.
  EXPECT_EQ(b.Left + ui.frameWidth, -4);
  EXPECT_GE(b.Left + ui.frameWidth + w.ClientWidth(), 152);
  EXPECT_GE(b.Top + ui.frameWidth + ui.captionHeight + w.ClientHeight(), 112);
}

TEST_F(PreviewTest, WithoutAHostTheLivePreviewIsAnOrdinaryWindowRunningTheShow) {
  ParentWindow = 0;  // "/p xyz"
  SaverSetting.PictureList.push_back(QuarterPicture("q.bmp", 100, 80));
  preview = std::make_unique<TPreviewForm>();
  preview->Show();
  platform::HeadlessWindow& w = Headless(preview->Window());
  EXPECT_EQ(w.Parent(), 0);
  EXPECT_EQ(w.Style(), platform::WindowStyle::kFramed);
  EXPECT_EQ(w.Bounds().Width(), 517);
  EXPECT_EQ(w.Bounds().Height(), 392);
  ASSERT_NE(preview->Runner(), nullptr);
  EXPECT_TRUE(preview->Runner()->IsPreview());
  ui.Advance(2000);
  EXPECT_EQ(preview->Runner()->PictureIndex(), 0) << "the show runs";
  // No exit rules in the preview: input does not close it.
  ui.Post({w.Handle(), platform::kWmLButtonDown, 0, 0});
  ui.Post({w.Handle(), platform::kWmKeyDown, 'A', 0});
  ui.RunUntilIdle();
  EXPECT_FALSE(w.Closed());
  EXPECT_EQ(ui.cursorCount, 0);
  EXPECT_FALSE(ui.screenSaverRunning);
}

TEST_F(PreviewTest, ThePreviewEndsWhenItsHostGoesAway) {
  ui.AddHostWindow(kHost, {0, 0, 152, 112});
  ParentWindow = kHost;
  SaverSetting.PictureList.push_back(QuarterPicture("q.bmp", 100, 80));
  preview = std::make_unique<TPreviewForm>();
  preview->Show();
  ui.Advance(1500);
  EXPECT_FALSE(Headless(preview->Window()).Closed());
  EXPECT_FALSE(ui.QuitRequested());
  ui.RemoveHostWindow(kHost);
  ui.Advance(kHostCheckInterval);
  EXPECT_TRUE(Headless(preview->Window()).Closed());
  EXPECT_TRUE(ui.QuitRequested()) << "the event loop ends with the preview";
  EXPECT_FALSE(preview->Runner()->TickTimer().Enabled());
}

TEST_F(PreviewTest, TheStillPreviewStretchesItsPictureTo152By112At4And4) {
  ui.AddHostWindow(kHost, {0, 0, 300, 200});  // the host's size does not matter
  ParentWindow = kHost;
  SaverSetting.Build_StaticImage = QuarterPicture("still.bmp", 40, 30);
  still = std::make_unique<TCommercePreviewForm>();
  still->Show();
  ui.RunUntilIdle();
  const platform::Window& w = still->Window();
  EXPECT_EQ(SurfacePixel(w, 4, 4), kTopLeft);
  EXPECT_EQ(SurfacePixel(w, 155, 4), kTopRight);
  EXPECT_EQ(SurfacePixel(w, 4, 115), kBottomLeft);
  EXPECT_EQ(SurfacePixel(w, 155, 115), kBottomRight);
  EXPECT_EQ(SurfacePixel(w, 79, 59), kTopLeft);
  EXPECT_EQ(SurfacePixel(w, 80, 60), kBottomRight);
  EXPECT_EQ(SurfacePixel(w, 3, 3), 0u);
  EXPECT_EQ(SurfacePixel(w, 156, 116), 0u);
  EXPECT_EQ(SurfacePixel(w, 156, 50), 0u);
}

TEST_F(PreviewTest, AStillPictureThatDoesNotLoadLeavesThePreviewBlack) {
  ParentWindow = 0;
  const std::string bad = dir.File("broken.jpg");
  WriteFile(bad, "not a picture");
  SaverSetting.Build_StaticImage = bad;
  still = std::make_unique<TCommercePreviewForm>();
  still->Show();
  ui.RunUntilIdle();
  const platform::Window& w = still->Window();
  EXPECT_EQ(w.Bounds().Width(), 696);
  EXPECT_EQ(w.Bounds().Height(), 480);
  EXPECT_TRUE(still->Image1().IsEmpty());
  EXPECT_EQ(SurfacePixel(w, 50, 50), 0u);
}

}  // namespace
}  // namespace kestro::testing
