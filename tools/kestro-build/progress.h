#pragma once

// What a long build tells while it runs: a line for each picture it changed,
// skipped or left out, and how far it has come.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace kestro::builder {

class BuildReport {
 public:
  virtual ~BuildReport() = default;
  // A line about one input; a problem (a picture left out, too large) goes
  // where errors go.
  virtual void Say(const std::string& line, bool problem) {}
  // A stage of `items` inputs holding `bytes` bytes in all begins ...
  virtual void Begin(const std::string& stage, std::size_t items, std::uint64_t bytes) {}
  // ... one more of them, of `bytes` bytes, is done ...
  virtual void Advance(std::uint64_t bytes) {}
  // ... and the stage is over.
  virtual void End() {}
};

enum class ProgressStyle {
  kBar,    // one line redrawn in place, for a terminal
  kLines,  // a plain line at every tenth of the work, for a file or a pipe
  kQuiet,  // no progress at all; the lines about inputs still appear
};

// The style for the process's standard error: a bar on a terminal, lines
// elsewhere, nothing when asked to be quiet.
ProgressStyle StandardErrorStyle(bool quiet);
// The terminal's width for the bar (80 when it cannot be told).
int StandardErrorColumns();

// Prints a build's report: lines about inputs to `out` (problems to `err`
// as warnings), progress to `err`.
class ProgressPrinter final : public BuildReport {
 public:
  // Seconds since any fixed moment.
  using Clock = std::function<double()>;
  static double SteadySeconds();

  ProgressPrinter(std::ostream& out, std::ostream& err, ProgressStyle style, int columns = 80,
                  Clock clock = SteadySeconds);
  ~ProgressPrinter() override;
  ProgressPrinter(const ProgressPrinter&) = delete;
  ProgressPrinter& operator=(const ProgressPrinter&) = delete;

  void Say(const std::string& line, bool problem) override;
  void Begin(const std::string& stage, std::size_t items, std::uint64_t bytes) override;
  void Advance(std::uint64_t bytes) override;
  void End() override;

  // The progress text as the bar or a line shows it now (tests read it).
  std::string Status() const;

 private:
  void Draw(bool force);
  void ClearBar();

  std::ostream& out_;
  std::ostream& err_;
  ProgressStyle style_;
  int columns_;
  Clock clock_;

  bool active_ = false;
  std::string stage_;
  std::size_t items_ = 0, doneItems_ = 0;
  std::uint64_t bytes_ = 0, doneBytes_ = 0;
  double start_ = 0, lastDraw_ = -1;
  int lastTenth_ = 0;
  std::size_t barShown_ = 0;  // characters of the bar on the terminal's line
};

// "1:05", "1:02:03".
std::string FormatDuration(double seconds);
// "812 KB", "3.4 MB", "1.20 GB".
std::string FormatBytes(std::uint64_t bytes);

}  // namespace kestro::builder
