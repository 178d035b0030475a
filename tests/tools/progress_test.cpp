// The progress a build shows: a bar redrawn in place on a terminal, plain
// lines elsewhere, nothing when quiet; lines about inputs in every style.

#include "progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kestro::builder {
namespace {

class ProgressTest : public ::testing::Test {
 protected:
  ProgressPrinter Printer(ProgressStyle style, int columns = 80) {
    return ProgressPrinter(out_, err_, style, columns, [this] { return now_; });
  }
  std::ostringstream out_, err_;
  double now_ = 100;
};

TEST_F(ProgressTest, TheBarFillsAndEstimatesTheTimeLeftByBytes) {
  ProgressPrinter p = Printer(ProgressStyle::kBar, 90);
  p.Begin("writing", 4, 4000 * 1024);
  EXPECT_EQ(err_.str(), "\rwriting [........................................]  0/4  0 KB of 3.9 MB");
  now_ += 10;
  p.Advance(1000 * 1024);  // a quarter of the bytes in 10 s: 30 s to go
  EXPECT_EQ(p.Status(), "writing [##########..............................]  1/4  1000 KB of 3.9 MB  0:30 left");
  now_ += 0.05;
  const std::size_t drawn = err_.str().size();
  p.Advance(0);  // too soon to draw again
  EXPECT_EQ(err_.str().size(), drawn);
  now_ += 50;
  p.Advance(3000 * 1024);
  p.Advance(0);
  p.End();
  EXPECT_EQ(err_.str().substr(err_.str().rfind('\r')),
            "\rwriting [########################################]  4/4  3.9 MB of 3.9 MB  done in 1:00\n");
  EXPECT_EQ(out_.str(), "");
}

TEST_F(ProgressTest, ALineAboutAnInputClearsTheBarAndDrawsItAgain) {
  ProgressPrinter p = Printer(ProgressStyle::kBar, 60);
  p.Begin("checking pictures", 2, 0);
  const std::string bar = err_.str().substr(1);
  p.Say("a.jpg: turned upright", false);
  p.Say("b.jpg: left out: broken", true);
  EXPECT_EQ(out_.str(), "a.jpg: turned upright\n");
  const std::string blank = "\r" + std::string(bar.size(), ' ') + "\r";
  EXPECT_EQ(err_.str(), "\r" + bar + blank + "\r" + bar + blank + "kestro-build: warning: b.jpg: left out: broken\n\r" + bar);
  EXPECT_LE(bar.size(), 59u);
  // A narrow terminal gets the counts without the bar, cut to its width.
  ProgressPrinter narrow = Printer(ProgressStyle::kBar, 30);
  narrow.Begin("checking pictures", 500, 1 << 30);
  EXPECT_EQ(narrow.Status(), "checking pictures  0/500  0 K");
}

TEST_F(ProgressTest, PlainLinesAtEveryTenthAndTheEnd) {
  ProgressPrinter p = Printer(ProgressStyle::kLines);
  p.Begin("writing", 25, 25 * 2048);
  for (int i = 0; i < 25; ++i) {
    now_ += 1;
    p.Advance(2048);
  }
  p.End();
  std::istringstream lines(err_.str());
  std::vector<std::string> got;
  for (std::string line; std::getline(lines, line);) got.push_back(line);
  ASSERT_EQ(got.size(), 10u);  // 3, 5, 8, 10, 13, 15, 18, 20, 23 of 25, and the end
  EXPECT_EQ(got[0], "writing: 3/25 items, 6 KB of 50 KB, 0:22 left");
  EXPECT_EQ(got[9], "writing: 25/25 items, 50 KB of 50 KB, done in 0:25");
  EXPECT_EQ(err_.str().find('\r'), std::string::npos);
}

TEST_F(ProgressTest, QuietShowsNoProgressButStillTheLines) {
  ProgressPrinter p = Printer(ProgressStyle::kQuiet);
  p.Begin("writing", 3, 300);
  p.Say("x.heic: converted from HEIF, stored as x.jpg", false);
  p.Advance(100);
  p.End();
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(out_.str(), "x.heic: converted from HEIF, stored as x.jpg\n");
  EXPECT_EQ(StandardErrorStyle(true), ProgressStyle::kQuiet);
}

TEST(ProgressText, DurationsAndSizes) {
  EXPECT_EQ(FormatDuration(0), "0:00");
  EXPECT_EQ(FormatDuration(59.6), "1:00");
  EXPECT_EQ(FormatDuration(3723), "1:02:03");
  EXPECT_EQ(FormatDuration(-5), "0:00");
  EXPECT_EQ(FormatBytes(0), "0 KB");
  EXPECT_EQ(FormatBytes(1), "1 KB");
  EXPECT_EQ(FormatBytes(5 * 1024 * 1024 + 512 * 1024), "5.5 MB");
  EXPECT_EQ(FormatBytes(3ull << 30), "3.00 GB");
}

}  // namespace
}  // namespace kestro::builder
