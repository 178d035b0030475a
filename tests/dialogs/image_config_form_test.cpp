// The settings dialog's model on the headless dialog view: what FormShow
// puts into the controls, the enabling rules, and what OK, Cancel and the
// links do with the settings, the two stores and the shell.

#include "dialogs/image_config_form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/api/text.h"
#include "platform/headless/headless_ui.h"
#include "settings/settings_fixture.h"
#include "support/pictures.h"

namespace kestro {
namespace {

using F = TDistributeConfigForm;

// Every character 6 pixels wide, lines 13 high.
class FixedText final : public platform::TextRenderer {
 public:
  TPoint Measure(const platform::FontSpec&, std::string_view text) override {
    return {static_cast<std::int32_t>(text.size()) * 6, 13};
  }
  void Draw(const platform::Pixels&, std::int32_t, std::int32_t, const platform::FontSpec&,
            std::string_view) override {}
};

class ConfigFormTest : public testing::SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    ui_.Install();
    platform::InstallTextRenderer(&text_);
  }
  void TearDown() override {
    form_.reset();
    platform::InstallTextRenderer(nullptr);
    ui_.Uninstall();
    SettingsFixture::TearDown();
  }

  // A plain program with its settings file beside it.
  void Plain(const std::string& settings) {
    testing::WriteFile(ProgFolder() + "Show.002", settings);
  }

  // Start-up, then the dialog as the configure request shows it.
  platform::HeadlessDialog& Open() {
    Start();
    form_ = F::Create();
    EXPECT_NE(form_, nullptr);
    form_->Show();
    EXPECT_EQ(ui_.Dialogs().size(), 1u);
    dialog_ = ui_.Dialogs().front();
    EXPECT_TRUE(dialog_->Shown());
    return *dialog_;
  }

  std::string SettingsFileText() { return testing::ReadFile(ProgFolder() + "Show.002"); }

  platform::HeadlessWindowSystem ui_;
  FixedText text_;
  std::unique_ptr<F> form_;
  platform::HeadlessDialog* dialog_ = nullptr;
};

TEST_F(ConfigFormTest, TheDialogHasItsCaptionSizePagesAndCancelFocused) {
  Plain("[Set]\r\nScrName=Sunsets\r\n");
  platform::HeadlessDialog& d = Open();
  const platform::DialogLayout& layout = d.Layout();
  EXPECT_EQ(layout.caption, "Image Saver Setting");
  EXPECT_EQ(layout.clientWidth, 503);
  EXPECT_EQ(layout.clientHeight, 350);
  EXPECT_EQ(layout.initialFocus, F::Button1);
  std::vector<std::string> pages;
  for (const auto& c : layout.controls) {
    if (c.kind == platform::ControlKind::kPage) pages.push_back(c.text);
    // Every control lies inside its parent.
    const TRect parent = c.parent == 0 ? RectOfSize(503, 350) : d.Bounds(c.parent);
    const TRect b = d.Bounds(c.id);
    EXPECT_TRUE(b.Left >= 0 && b.Top >= 0 && b.Right <= parent.Width() && b.Bottom <= parent.Height())
        << c.id << " " << c.text;
  }
  EXPECT_EQ(pages, (std::vector<std::string>{"Options", "Exit Conditions", "Readme"}));
  EXPECT_EQ(d.ActivePage(), F::TabSheet1);
  EXPECT_EQ(d.Text(F::title_label), "Sunsets");
  EXPECT_EQ(d.Font(F::title_label).name, "Comic Sans MS");
  EXPECT_EQ(d.Font(F::title_label).height, 19);
  EXPECT_FALSE(d.Visible(F::BannerImage));
  EXPECT_EQ(platform::CaptionWithoutMnemonics(d.Text(F::ShowCursorCheck)), "Show mouse cursor & Ignore mouse events");
  EXPECT_EQ(d.HintDelay(), 100u);
  EXPECT_EQ(d.Hint(F::IntelliRadio), "Show all images in random order");
}

// ImageSize and ImageSequence values 0 to 3: the radio shown, and what OK
// stores back (3 selects no size radio, which leaves ImageSize as it was).
class RadioCase : public ConfigFormTest, public ::testing::WithParamInterface<int> {};

TEST_P(RadioCase, TheRadiosShowTheValueAndOkStoresIt) {
  const int value = GetParam();
  Plain("[Set]\r\nImageSize=" + std::to_string(value) + "\r\nImageSequence=" + std::to_string(value) + "\r\n");
  platform::HeadlessDialog& d = Open();
  const std::vector<int> size{F::OptimizationRadio, F::OriginalRadio, F::StretchRadio};
  const std::vector<int> order{F::NormalizeRadio, F::RandomizeRadio, F::IntelliRadio};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(d.Checked(size[i]), i == value) << i;
    EXPECT_EQ(d.Checked(order[i]), i == value) << i;
  }
  ASSERT_TRUE(d.PressEnter());
  EXPECT_EQ(SaverSetting.ImageSize, value);
  EXPECT_EQ(SaverSetting.ImageSequence, value < 3 ? value : 2) << "no order radio stores 2";
  EXPECT_TRUE(d.Closed());
}

INSTANTIATE_TEST_SUITE_P(Values, RadioCase, ::testing::Values(0, 1, 2, 3));

TEST_F(ConfigFormTest, TheUsersChoicesGoIntoTheRecordAndTheSettingsFile) {
  Plain("[Set]\r\nImageInterval=0\r\nEffectSpeed2=9\r\nBackgroundColor=0x123456\r\nKept=yes\r\n");
  platform::HeadlessDialog& d = Open();
  EXPECT_EQ(d.Text(F::IntervalEdit), "1") << "the spin boxes show values within their range";
  EXPECT_EQ(d.Text(F::SpeedEdit), "5");
  EXPECT_EQ(d.Color(F::BackcolorCb), 0x123456u) << "a colour that is not named is the custom one";

  ASSERT_TRUE(d.Click(F::StretchRadio));
  ASSERT_TRUE(d.Click(F::RandomizeRadio));
  EXPECT_FALSE(d.Checked(F::OptimizationRadio));
  d.SetText(F::IntervalEdit, "42");
  d.SetText(F::SpeedEdit, "x");
  d.SetColor(F::BackcolorCb, 0x0000FF);
  ASSERT_TRUE(d.Click(F::_BtnOK));

  EXPECT_EQ(SaverSetting.ImageInterval, 42);
  EXPECT_EQ(SaverSetting.EffectSpeed2, 1) << "a speed that is not a number is the lowest";
  EXPECT_EQ(SaverSetting.ImageSize, 2);
  EXPECT_EQ(SaverSetting.ImageSequence, 1);
  EXPECT_EQ(SaverSetting.BackgroundColor, 0xFF);
  const std::string file = SettingsFileText();
  EXPECT_NE(file.find("ImageInterval=42\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("BackgroundColor=255\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("Kept=yes\r\n"), std::string::npos) << file;
  EXPECT_TRUE(store_.writeLog.empty()) << "without a payload the user's key is not written";
}

TEST_F(ConfigFormTest, TheExitGroupIsDisabledWhileTheCursorOrEscBoxIsTickedAndKeepsItsTicks) {
  Plain("[Set]\r\nMouseMove=1\r\nMousePress=0\r\nKeyboardPress=1\r\n");
  platform::HeadlessDialog& d = Open();
  const std::vector<int> group{F::MouseMoveCheck, F::MousePressCheck, F::KeyboardCheck};
  auto enabled = [&] {
    int n = 0;
    for (int box : group) n += d.Enabled(box) ? 1 : 0;
    return n;
  };
  auto ticks = [&] { return std::vector<bool>{d.Checked(group[0]), d.Checked(group[1]), d.Checked(group[2])}; };
  const std::vector<bool> before{true, false, true};
  EXPECT_EQ(ticks(), before);
  EXPECT_EQ(enabled(), 3);

  d.SetActivePage(F::TabSheet4);
  ASSERT_TRUE(d.Click(F::ShowCursorCheck));
  EXPECT_EQ(enabled(), 0);
  EXPECT_EQ(ticks(), before);
  ASSERT_TRUE(d.Click(F::EscKeyCheck));
  ASSERT_TRUE(d.Click(F::ShowCursorCheck));
  EXPECT_EQ(enabled(), 0) << "the Esc box alone disables them too";
  EXPECT_FALSE(d.Click(F::MousePressCheck)) << "a disabled box cannot be clicked";
  ASSERT_TRUE(d.Click(F::EscKeyCheck));
  EXPECT_EQ(enabled(), 3);
  EXPECT_EQ(ticks(), before);

  ASSERT_TRUE(d.Click(F::EscKeyCheck));
  ASSERT_TRUE(d.Click(F::_BtnOK));
  EXPECT_TRUE(SaverSetting.MouseMove) << "disabled boxes are stored as ticked";
  EXPECT_FALSE(SaverSetting.MousePress);
  EXPECT_TRUE(SaverSetting.KeyboardPress);
  EXPECT_TRUE(SaverSetting.OnlyEscKeyExit);
  EXPECT_FALSE(SaverSetting.ShowCursor);
}

TEST_F(ConfigFormTest, MusicCanBeSwitchedOnlyWhenThereIsSome) {
  Plain("[Set]\r\nPlayMusic=1\r\n");
  platform::HeadlessDialog& d = Open();
  EXPECT_FALSE(d.Enabled(F::PlayMusicCheck));
  EXPECT_FALSE(d.Checked(F::PlayMusicCheck));
  ASSERT_TRUE(d.Click(F::_BtnOK));
  EXPECT_FALSE(SaverSetting.PlayMusic);
  EXPECT_NE(SettingsFileText().find("PlayMusic=0"), std::string::npos);

  EndRun();
  form_.reset();
  Plain("[Set]\r\nPlayMusic=1\r\n[Music]\r\nsong.mp3=1\r\n");
  platform::HeadlessDialog& withMusic = Open();
  EXPECT_TRUE(withMusic.Enabled(F::PlayMusicCheck));
  EXPECT_TRUE(withMusic.Checked(F::PlayMusicCheck));
}

TEST_F(ConfigFormTest, CaptionsInTheSettingsFileEnableTheCaptionBoxAndOkStoresTheTopPosition) {
  Plain("[Set]\r\n[Caption]\r\nPosition=0\r\n[captions]\r\na.jpg=Beach\r\n");
  platform::HeadlessDialog& d = Open();
  EXPECT_TRUE(d.Enabled(F::CaptionCheck));
  EXPECT_TRUE(d.Checked(F::CaptionCheck));
  ASSERT_TRUE(d.Click(F::_BtnOK));
  EXPECT_EQ(SaverSetting.CaptionPosition, 4);
  EXPECT_FALSE(SaverSetting.CaptionForceHide);
  EXPECT_NE(SettingsFileText().find("Position=4"), std::string::npos) << SettingsFileText();

  // Neither a position nor captions: the box is disabled, and OK hides captions.
  EndRun();
  form_.reset();
  Plain("[Set]\r\n");
  platform::HeadlessDialog& none = Open();
  EXPECT_FALSE(none.Enabled(F::CaptionCheck));
  ASSERT_TRUE(none.Click(F::_BtnOK));
  EXPECT_EQ(SaverSetting.CaptionPosition, 0);
  EXPECT_TRUE(SaverSetting.CaptionForceHide);
}

TEST_F(ConfigFormTest, CancelEscapeAndTheCloseBoxStoreNothing) {
  const std::string settings = "[Set]\r\nImageInterval=7\r\n[captions]\r\na.jpg=Beach\r\n";
  for (int way = 0; way < 3; ++way) {
    form_.reset();
    EndRun();
    UsePayloadProgram("Show.scr", settings);
    platform::HeadlessDialog& d = Open();
    EXPECT_EQ(SaverSetting.CaptionPosition, 4) << "changed in memory only";
    d.SetText(F::IntervalEdit, "99");
    d.Click(F::MouseMoveCheck);
    if (way == 0) {
      ASSERT_TRUE(d.Click(F::Button1));
    } else if (way == 1) {
      ASSERT_TRUE(d.PressEscape());
    } else {
      d.RequestClose();
    }
    EXPECT_TRUE(d.Closed()) << way;
    EXPECT_TRUE(ui_.QuitRequested()) << "closing the main window ends the event loop";
    EXPECT_EQ(SaverSetting.ImageInterval, 7);
    EXPECT_TRUE(store_.writeLog.empty()) << way;
    EXPECT_EQ(testing::ReadFile(SettingsFile).find("Position="), std::string::npos) << way;
  }
}

TEST_F(ConfigFormTest, OkWithAPayloadWritesTheTwelveUserValues) {
  UsePayloadProgram("Show.scr", "[Set]\r\nImageInterval=7\r\n");
  platform::HeadlessDialog& d = Open();
  d.SetText(F::IntervalEdit, "12");
  ASSERT_TRUE(d.PressEnter());
  const std::vector<std::string> names = store_.ValueNames(UserKey());
  EXPECT_EQ(names, (std::vector<std::string>{"MouseMoveExit", "MousePressExit", "KeyboardPressExit", "ShowCursor",
                                             "OnlyEscKeyExit", "BackgroundColor", "ImageInterval", "ImageSize",
                                             "ImageSequence", "EffectSpeed2", "PlayMusic", "CaptionForceHide"}));
  EXPECT_EQ(store_.Get(UserKey(), "ImageInterval")->dword, 12u);
}

TEST_F(ConfigFormTest, AFailedRegistryWriteIsReportedAndTheDialogStillCloses) {
  UsePayloadProgram("Show.scr", "[Set]\r\n");
  store_.failWritesOf = {"IMAGEINTERVAL"};
  platform::HeadlessDialog& d = Open();
  ASSERT_TRUE(d.Click(F::_BtnOK));
  ASSERT_EQ(sys_.messages.size(), 1u);
  EXPECT_NE(sys_.messages[0].text.find("ImageInterval"), std::string::npos) << sys_.messages[0].text;
  EXPECT_TRUE(store_.Get(UserKey(), "BackgroundColor").has_value()) << "values before it stay written";
  EXPECT_TRUE(d.Closed());
}

TEST_F(ConfigFormTest, NoUserSettingHidesTheOptionPagesAndAnEmptyReadme) {
  for (const bool readme : {false, true}) {
    form_.reset();
    EndRun();
    std::filesystem::remove(dir_.Folder() + "Screensaver/readme.txt");
    if (readme) {
      std::filesystem::create_directories(dir_.Folder() + "Screensaver");
      testing::WriteFile(dir_.Folder() + "Screensaver/readme.txt", "Read me.\r\n");
    }
    Plain("[Set]\r\nNoUserSetting=1\r\n");
    platform::HeadlessDialog& d = Open();
    EXPECT_FALSE(d.Visible(F::TabSheet1));
    EXPECT_FALSE(d.Visible(F::TabSheet4));
    EXPECT_EQ(d.Visible(F::TabSheet2), readme);
    EXPECT_EQ(d.ActivePage(), F::TabSheet2);
    EXPECT_EQ(d.Text(F::memo1), readme ? "Read me.\r\n" : "");
  }
}

TEST_F(ConfigFormTest, TheReadmeComesFromThePayload) {
  UsePayloadProgram("Show.scr", "[Set]\r\n", {{"readme.txt", "readme.txt", "Hello from the payload"}});
  EXPECT_EQ(Open().Text(F::memo1), "Hello from the payload");
}

TEST_F(ConfigFormTest, TheHeaderShowsTheWebsiteAndMailAddressesRightAligned) {
  struct Case {
    std::string set;
    std::string websiteText, websiteHint, authorHint;
    bool authorLinked;
    bool authorMoved;
  };
  const std::vector<Case> cases{
      {"Website=http://www.example.com/art\r\n", "www.example.com/art", "http://www.example.com/art", "", false, false},
      {"Website=HTTP://x.org\r\nScrEmail=me@x.org\r\n", "x.org", "HTTP://x.org", "mailto:me@x.org", true, false},
      {"ScrEmail=me@x.org\r\n", "me@x.org", "mailto:me@x.org", "", false, false},
      {"", "", "", "", false, true},
  };
  for (const Case& c : cases) {
    form_.reset();
    EndRun();
    Plain("[Set]\r\nAuthor=Ann Artist\r\n" + c.set);
    platform::HeadlessDialog& d = Open();
    EXPECT_EQ(d.Text(F::WebsiteLabel), c.websiteText) << c.set;
    EXPECT_EQ(d.Hint(F::WebsiteLabel), c.websiteHint) << c.set;
    EXPECT_EQ(d.Hint(F::AuthorLabel), c.authorHint) << c.set;
    EXPECT_EQ(d.Cursor(F::AuthorLabel) == platform::ControlCursor::kHand, c.authorLinked) << c.set;
    EXPECT_EQ(d.Font(F::AuthorLabel).underline, c.authorLinked) << c.set;
    EXPECT_EQ(d.Bounds(F::AuthorLabel).Top, c.authorMoved ? 51 : 36) << c.set;
    EXPECT_EQ(d.Bounds(F::AuthorLabel).Right, 476) << c.set;
    EXPECT_EQ(d.Bounds(F::AuthorLabel).Width(), 10 * 6) << c.set;
    EXPECT_EQ(d.Bounds(F::WebsiteLabel).Right, 476) << c.set;

    shell_.opened.clear();
    d.Click(F::WebsiteLabel);
    d.Click(F::AuthorLabel);
    std::vector<std::string> expected;
    if (!c.websiteHint.empty()) expected.push_back(c.websiteHint);
    if (c.authorLinked) expected.push_back(c.authorHint);
    EXPECT_EQ(shell_.opened, expected) << c.set;
  }
}

TEST_F(ConfigFormTest, TheCreditIsHiddenForResellersAndItsLinkOpensTheBuildersSite) {
  Plain("[Set]\r\n");
  platform::HeadlessDialog& plain = Open();
  EXPECT_TRUE(plain.Visible(F::_TextWebsite));
  ASSERT_TRUE(plain.Click(F::_TextWebsite));
  EXPECT_TRUE(shell_.opened.empty()) << "no builder's site recorded: plain text";
  form_.reset();
  EndRun();
  Plain("[Set]\r\nBuildWebsite=https://builder.example.org/\r\n");
  platform::HeadlessDialog& d = Open();
  ASSERT_TRUE(d.Click(F::_TextWebsite));
  EXPECT_EQ(shell_.opened, (std::vector<std::string>{"https://builder.example.org/"}));
  for (const char* key : {"resell", "HideKestroText"}) {
    form_.reset();
    EndRun();
    Plain(std::string("[Set]\r\n") + key + "=1\r\n");
    platform::HeadlessDialog& hidden = Open();
    EXPECT_FALSE(hidden.Visible(F::_TextWebsite)) << key;
    EXPECT_FALSE(hidden.Visible(F::_Textkestro)) << key;
  }
}

TEST_F(ConfigFormTest, TheBannerShowsWhenItLoadsAndCoversTheTitleWhenAsked) {
  Bitmap24 banner(234, 30, RGBColor(10, 200, 10));
  std::string bmp = dir_.File("banner.bmp");
  testing::WriteBmp(bmp, banner);
  const std::string bytes = testing::ReadFile(bmp);
  const std::string common = "[Set]\r\nBuild_BannerImage=banner.bmp\r\nBuild_BannerTips=Visit us\r\n";
  const std::vector<testing::TestItem> items{{"banner.bmp", "banner.bmp", bytes}, {"bad.bmp", "bad.bmp", "BMxx"}};

  UsePayloadProgram("Show.scr", common + "Build_UseBanner=1\r\nBuild_HideTitle=1\r\nBuild_BannerURL=example.org\r\n",
                    items);
  platform::HeadlessDialog& d = Open();
  EXPECT_TRUE(d.Visible(F::BannerImage));
  EXPECT_EQ(d.PictureSize(F::BannerImage), (TPoint{234, 30}));
  EXPECT_EQ(d.Hint(F::BannerImage), "Visit us");
  EXPECT_EQ(d.Cursor(F::BannerImage), platform::ControlCursor::kHand);
  ASSERT_TRUE(d.Click(F::title_label)) << "the click lands on the banner above the title";
  EXPECT_EQ(shell_.opened, (std::vector<std::string>{"http://example.org"}));

  // Behind the title, without a link; not loadable or not wanted: hidden.
  for (const std::string& set : {std::string("Build_UseBanner=1\r\n"),
                                 std::string("Build_UseBanner=1\r\nBuild_BannerImage=bad.bmp\r\n"),
                                 std::string("Build_UseBanner=1\r\nBuild_BannerImage=missing.bmp\r\n"),
                                 std::string("Build_UseBanner=0\r\n")}) {
    form_.reset();
    EndRun();
    shell_.opened.clear();
    UsePayloadProgram("Show.scr", "[Set]\r\n" + set + (set.find("Image=") == std::string::npos
                                                           ? "Build_BannerImage=banner.bmp\r\n" : ""),
                      items);
    platform::HeadlessDialog& other = Open();
    const bool shown = set == "Build_UseBanner=1\r\n";
    EXPECT_EQ(other.Visible(F::BannerImage), shown) << set;
    EXPECT_EQ(other.Cursor(F::BannerImage), platform::ControlCursor::kDefault) << set;
    ASSERT_TRUE(other.Click(F::title_label));
    EXPECT_TRUE(shell_.opened.empty()) << "the title took the click: " << set;
  }
}

TEST(LinkAddressTest, OpensWebAndMailAddressesOnly) {
  struct Case {
    const char* text;
    const char* opened;  // nullptr: nothing
  };
  for (const Case& c : std::vector<Case>{
           {"http://example.org/a?b=1&c=2", "http://example.org/a?b=1&c=2"},
           {"HTTPS://example.org", "HTTPS://example.org"},
           {"ftp://files.example.org/", "ftp://files.example.org/"},
           {"mailto:ann@example.org", "mailto:ann@example.org"},
           {" www.example.org ", "http://www.example.org"},
           {"example.org/path", "http://example.org/path"},
           {"file:///etc/passwd", nullptr},
           {"javascript://alert(1)", nullptr},
           {"C:\\Windows\\system32\\calc.exe", nullptr},
           {"\\\\server\\share\\run.exe", nullptr},
           {"/usr/bin/xterm", nullptr},
           {"..\\run.exe", nullptr},
           {"calc.exe:", nullptr},
           {"http://a\nb", nullptr},
           {"", nullptr},
       }) {
    const auto opened = LinkAddress(c.text);
    if (c.opened == nullptr) {
      EXPECT_FALSE(opened.has_value()) << c.text;
    } else {
      EXPECT_EQ(opened.value_or("(nothing)"), c.opened) << c.text;
    }
  }
}

TEST(SpinValueTest, ClampsToTheRangeAndTakesTheLowestForAnythingElse) {
  EXPECT_EQ(SpinValue("42", 1, 1000), 42);
  EXPECT_EQ(SpinValue(" 7", 1, 1000), 7);
  EXPECT_EQ(SpinValue("0", 1, 1000), 1);
  EXPECT_EQ(SpinValue("5000", 1, 1000), 1000);
  EXPECT_EQ(SpinValue("-3", 1, 5), 1);
  EXPECT_EQ(SpinValue("", 1, 5), 1);
  EXPECT_EQ(SpinValue("4x", 1, 5), 1);
  EXPECT_EQ(SpinValue("99999999999", 1, 1000), 1);
}

}  // namespace
}  // namespace kestro
