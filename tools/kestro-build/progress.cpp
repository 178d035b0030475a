#include "progress.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ostream>

#include "platform/api/console.h"

namespace kestro::builder {

namespace {

// A bar is redrawn at most this often (seconds), and at the end of a stage.
constexpr double kRedrawInterval = 0.1;
// Estimates of the time left wait for this much of the work (seconds).
constexpr double kSettleTime = 0.5;

}  // namespace

std::string FormatDuration(double seconds) {
  const long long s = static_cast<long long>(std::max(0.0, seconds) + 0.5);
  char text[32];
  if (s >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  }
  return text;
}

std::string FormatBytes(std::uint64_t bytes) {
  char text[32];
  const double b = static_cast<double>(bytes);
  if (bytes < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%llu KB", static_cast<unsigned long long>((bytes + 1023) / 1024));
  } else if (bytes < 1024ull * 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f MB", b / (1024.0 * 1024));
  } else {
    std::snprintf(text, sizeof text, "%.2f GB", b / (1024.0 * 1024 * 1024));
  }
  return text;
}

ProgressStyle StandardErrorStyle(bool quiet) {
  if (quiet) return ProgressStyle::kQuiet;
  return platform::IsTerminal(platform::StandardStream::kError) ? ProgressStyle::kBar : ProgressStyle::kLines;
}

int StandardErrorColumns() {
  const int columns = platform::TerminalColumns(platform::StandardStream::kError);
  return columns > 0 ? columns : 80;
}

double ProgressPrinter::SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

ProgressPrinter::ProgressPrinter(std::ostream& out, std::ostream& err, ProgressStyle style, int columns, Clock clock)
    : out_(out), err_(err), style_(style), columns_(std::max(columns, 20)), clock_(std::move(clock)) {}

ProgressPrinter::~ProgressPrinter() {
  if (active_ && style_ == ProgressStyle::kBar && barShown_ > 0) err_ << "\n" << std::flush;
}

void ProgressPrinter::Say(const std::string& line, bool problem) {
  ClearBar();
  if (problem) {
    out_.flush();
    err_ << "kestro-build: warning: " << line << "\n" << std::flush;
  } else {
    out_ << line << "\n" << std::flush;
  }
  if (active_) Draw(true);
}

void ProgressPrinter::Begin(const std::string& stage, std::size_t items, std::uint64_t bytes) {
  if (active_) End();
  active_ = true;
  stage_ = stage;
  items_ = items;
  bytes_ = bytes;
  doneItems_ = 0;
  doneBytes_ = 0;
  start_ = clock_();
  lastDraw_ = -1;
  lastTenth_ = 0;
  barShown_ = 0;
  if (style_ == ProgressStyle::kBar) Draw(true);
}

void ProgressPrinter::Advance(std::uint64_t bytes) {
  if (!active_) return;
  doneItems_ = std::min(doneItems_ + 1, items_);
  doneBytes_ += bytes;
  if (style_ == ProgressStyle::kBar) {
    Draw(doneItems_ == items_);
  } else if (style_ == ProgressStyle::kLines && items_ > 0) {
    const int tenth = static_cast<int>(doneItems_ * 10 / items_);
    if (tenth > lastTenth_ && doneItems_ < items_) {
      lastTenth_ = tenth;
      err_ << Status() << "\n" << std::flush;
    }
  }
}

void ProgressPrinter::End() {
  if (!active_) return;
  doneItems_ = items_;
  doneBytes_ = std::max(doneBytes_, bytes_);
  if (style_ == ProgressStyle::kBar) {
    Draw(true);
    err_ << "\n" << std::flush;
  } else if (style_ == ProgressStyle::kLines) {
    err_ << Status() << "\n" << std::flush;
  }
  active_ = false;
  barShown_ = 0;
}

std::string ProgressPrinter::Status() const {
  const double elapsed = clock_() - start_;
  const bool done = doneItems_ >= items_;
  std::string count = std::to_string(doneItems_) + "/" + std::to_string(items_);
  std::string amount = FormatBytes(doneBytes_) + " of " + FormatBytes(bytes_);
  std::string time;
  if (done) {
    time = "done in " + FormatDuration(elapsed);
  } else if (elapsed >= kSettleTime && (doneBytes_ > 0 || doneItems_ > 0)) {
    // By bytes where there are any: a large item takes longer than a small one.
    const double share = bytes_ > 0 ? static_cast<double>(doneBytes_) / static_cast<double>(bytes_)
                                    : static_cast<double>(doneItems_) / static_cast<double>(items_);
    time = share > 0 ? FormatDuration(elapsed * (1 - share) / share) + " left" : "";
  }
  if (style_ != ProgressStyle::kBar) {
    return stage_ + ": " + count + " items, " + amount + (time.empty() ? "" : ", " + time);
  }
  const std::string tail = "  " + count + "  " + amount + (time.empty() ? "" : "  " + time);
  const int room = columns_ - 1 - static_cast<int>(stage_.size() + 4 + tail.size());
  const int width = std::clamp(room, 0, 40);
  std::string bar;
  if (width >= 10) {
    const std::size_t filled = items_ == 0 ? width : doneItems_ * static_cast<std::size_t>(width) / items_;
    bar = " [" + std::string(filled, '#') + std::string(static_cast<std::size_t>(width) - filled, '.') + "]";
  }
  std::string line = stage_ + bar + tail;
  if (line.size() > static_cast<std::size_t>(columns_ - 1)) line.resize(static_cast<std::size_t>(columns_ - 1));
  return line;
}

void ProgressPrinter::Draw(bool force) {
  if (style_ != ProgressStyle::kBar) return;
  const double now = clock_();
  if (!force && lastDraw_ >= 0 && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  const std::string line = Status();
  // Blanks over whatever a longer line before left.
  const std::size_t pad = barShown_ > line.size() ? barShown_ - line.size() : 0;
  err_ << "\r" << line << std::string(pad, ' ') << std::flush;
  barShown_ = line.size() + pad;
}

void ProgressPrinter::ClearBar() {
  if (style_ != ProgressStyle::kBar || barShown_ == 0) return;
  err_ << "\r" << std::string(barShown_, ' ') << "\r" << std::flush;
  barShown_ = 0;
}

}  // namespace kestro::builder
