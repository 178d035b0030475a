#include "payload_writer.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <map>
#include <set>
#include <string_view>
#include <system_error>

#include "common/ansi.h"
#include "common/paths.h"
#include "decoder.h"
#include "hack_description.h"
#include "payload/payload.h"
#include "platform/api/files.h"
#include "payload/mem_ini_file.h"
#include "pictures.h"
#include "progress.h"
#include "zip_writer.h"

namespace kestro::builder {

namespace {

constexpr std::size_t kCopyChunk = 64 * 1024;
// The prefixes that give a list entry a meaning of its own.
constexpr const char* kSourceMarkers[] = {"(URL) ", "(Favorites) ", "(File) ", "(Resource) ", "(External) "};

const char* KindName(ItemKind kind) {
  switch (kind) {
    case ItemKind::kPicture: return "picture";
    case ItemKind::kMusic: return "music file";
    case ItemKind::kFile: return "file";
  }
  return "file";
}

// Removes the output file when the build does not complete.
class OutputGuard {
 public:
  explicit OutputGuard(std::string path) : path_(std::move(path)) {}
  ~OutputGuard() {
    if (!done_) platform::Files().DeleteFile(path_);
  }
  OutputGuard(const OutputGuard&) = delete;
  OutputGuard& operator=(const OutputGuard&) = delete;
  void Done() { done_ = true; }

 private:
  std::string path_;
  bool done_ = false;
};

std::unique_ptr<platform::FileStream> OpenInput(const std::string& path, const std::string& what) {
  auto in = platform::Files().Open(path, platform::OpenMode::kReadShared);
  if (!in) throw EBuildError("Cannot read " + what + " " + Quote(path));
  return in;
}

void WriteAll(platform::FileStream& out, std::string_view data, const std::string& path) {
  if (out.Write(data.data(), data.size()) != data.size()) throw EBuildError("Write error on " + Quote(path));
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(std::filesystem::path(a), std::filesystem::path(b), ec) && !ec;
}

struct PlannedItem {
  BuiltItem item;
  std::string path;
  std::string renamedNote;  // how the builder came to the name, when it chose it
};

// Every extracted file lands in one folder under its own name, and its raw
// copy beside it under the name + "~": no two may meet.
void CheckNamesMeet(const std::vector<PlannedItem>& planned, const std::string& settingsName) {
  std::map<std::string, std::string> seen;  // upper-cased -> as given, with how the builder came to it
  seen.emplace(AnsiUpperCase(settingsName), Quote(settingsName));
  auto shown = [](const PlannedItem& p) { return Quote(p.item.name) + p.renamedNote; };
  for (const PlannedItem& p : planned) {
    const auto [at, added] = seen.emplace(AnsiUpperCase(p.item.name), shown(p));
    if (added) continue;
    if (at->second == Quote(settingsName) && SameText(p.item.name, settingsName)) {
      throw EBuildError("Item " + shown(p) + " has the name of the settings file");
    }
    throw EBuildError("Items " + at->second + " and " + shown(p) +
                      " have the same name (names compare without regard to case)");
  }
  for (const auto& [upper, name] : seen) {
    const auto shadow = seen.find(upper + "~");
    if (shadow != seen.end()) {
      throw EBuildError("Item " + shadow->second + " would be overwritten by the raw copy of " + name);
    }
  }
}

// One stage of a build as the report shows it: every item of `planned`, by the
// size of its file. A stage cut short by an error is not ended.
class Stage {
 public:
  Stage(BuildReport* report, const std::string& name, const std::vector<PlannedItem>& planned) : report_(report) {
    if (report_ == nullptr) return;
    std::uint64_t bytes = 0;
    for (const PlannedItem& p : planned) bytes += FileSize(p.path);
    report_->Begin(name, planned.size(), bytes);
  }
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;
  void Advance(std::uint64_t bytes) {
    if (report_ != nullptr) report_->Advance(bytes);
  }
  void End() {
    if (report_ != nullptr) report_->End();
    report_ = nullptr;
  }

 private:
  static std::uint64_t FileSize(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(std::filesystem::path(path), ec);
    return ec ? 0 : size;
  }
  BuildReport* report_;
};

// Runs every picture through the workshop: a picture left out leaves the
// plan, a converted or shrunk one takes its new file and name.
void PreparePictures(std::vector<PlannedItem>& planned, PictureWorkshop& workshop, BuildReport* report,
                     std::vector<PreparedPicture>& prepared) {
  std::vector<PlannedItem> pictures;
  std::copy_if(planned.begin(), planned.end(), std::back_inserter(pictures),
               [](const PlannedItem& p) { return p.item.kind == ItemKind::kPicture; });
  if (pictures.empty()) return;
  Stage checking(report, "checking pictures", pictures);
  std::vector<PlannedItem> kept;
  for (PlannedItem& p : planned) {
    if (p.item.kind != ItemKind::kPicture) {
      kept.push_back(std::move(p));
      continue;
    }
    PreparedPicture picture = workshop.Prepare(p.path, p.item.name);
    std::error_code ec;
    checking.Advance(std::filesystem::file_size(std::filesystem::path(p.path), ec));
    if (!picture.leftOut) {
      if (picture.name != p.item.name) p.renamedNote = " (the builder's name for " + Quote(p.item.name) + ")";
      p.path = picture.path;
      p.item.name = picture.name;
      p.item.key = ItemKey(picture.name);
      kept.push_back(std::move(p));
    }
    prepared.push_back(std::move(picture));
  }
  checking.End();
  planned = std::move(kept);
}

// What the runtime would take for the marker, when it is not the real one.
std::string DescribeStrayMarker(std::uint64_t offset, std::uint64_t runtimeSize,
                                const std::vector<BuiltItem>& items) {
  if (offset < runtimeSize) return "in the runtime's own bytes";
  for (const BuiltItem& item : items) {
    if (offset < item.end) return "in item " + Quote(item.name) + (item.asIs ? " (stored as-is)" : "");
  }
  return "across the end of the items and the marker";
}

}  // namespace

std::string InputFileName(const std::string& path) {
#ifdef _WIN32
  return ExtractFileName(path);
#else
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
#endif
}

std::string ItemKey(const std::string& name) { return ReplaceAll(name, "=", kPayloadNameEnd); }

void CheckFileName(const std::string& name, const std::string& what) {
  const std::string subject = what + " " + Quote(name);
  if (name.find(kPayloadNameEnd) != std::string::npos) {
    throw EBuildError(subject + " holds \"**\", which the settings file reads as \"=\"");
  }
  if (IsWindowsDeviceName(name)) throw EBuildError(subject + " is a device name reserved by Windows");
  if (!IsPlainFileName(name)) {
    throw EBuildError(subject + " is not a plain file name (empty, \".\", \"..\", a folder part, \":\" or a control character)");
  }
  if (name.find_first_of("<>\"|?*") != std::string::npos) {
    throw EBuildError(subject + " holds a character Windows does not allow in file names (< > \" | ? *)");
  }
  if (name.front() == ' ' || name.back() == ' ' || name.back() == '.') {
    throw EBuildError(subject + " begins or ends with a blank, or ends with a dot");
  }
  if (name.front() == ';') throw EBuildError(subject + " begins with \";\", which makes a comment of its settings lines");
}

SettingAssignment ParseSetting(const std::string& text) {
  const std::size_t dot = text.find('.');
  if (dot == std::string::npos) throw EUsageError("--set " + Quote(text) + ": expected Section.Key=Value");
  const std::size_t eq = text.find('=', dot + 1);
  if (eq == std::string::npos) throw EUsageError("--set " + Quote(text) + ": expected Section.Key=Value");
  SettingAssignment out{text.substr(0, dot), text.substr(dot + 1, eq - dot - 1), text.substr(eq + 1)};
  auto blank = [](const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
  };
  if (blank(out.section) || blank(out.key)) throw EUsageError("--set " + Quote(text) + ": empty section or key");
  if (out.section.find_first_of("[]\r\n") != std::string::npos) {
    throw EUsageError("--set " + Quote(text) + ": a section name cannot hold \"[\", \"]\" or a line break");
  }
  const char first = out.key.find_first_not_of(" \t") == std::string::npos ? ' ' : out.key[out.key.find_first_not_of(" \t")];
  if (first == ';' || first == '[') {
    throw EUsageError("--set " + Quote(text) + ": a key cannot begin with \";\" or \"[\"");
  }
  return out;
}

std::uint32_t InputDosDateTime(const std::string& path) {
  std::error_code ec;
  const auto stamp = std::filesystem::last_write_time(std::filesystem::path(path), ec);
  if (!ec) {
    const auto system = std::chrono::file_clock::to_sys(stamp);
    const auto seconds = std::chrono::floor<std::chrono::seconds>(system).time_since_epoch().count();
    // Far outside the DOS range the local time need not be computed (and may not be computable).
    constexpr long long k1980 = 315532800;   // 1980-01-01 00:00:00 UTC
    constexpr long long k2108 = 4354819200;  // 2108-01-01 00:00:00 UTC
    if (seconds < k1980 - 2 * 86400) return kDosEpoch;
    if (seconds > k2108 + 2 * 86400) return ToDosDateTime(2107, 12, 31, 23, 59, 59);
    const std::time_t when = static_cast<std::time_t>(seconds);
    if (const std::tm* t = std::localtime(&when)) {
      return ToDosDateTime(t->tm_year + 1900, t->tm_mon + 1, t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec);
    }
  }
  return platform::Files().GetDosDateTime(path).value_or(kDosEpoch);
}

BuildResult MakeScreensaver(const BuildOptions& options) {
  platform::FileSystem& files = platform::Files();
  if (options.runtime.empty()) throw EUsageError("no --runtime given");
  if (options.out.empty()) throw EUsageError("no --out given");

  // Names first: nothing is written for a build that would be refused.
  if (options.title.empty()) throw EBuildError("The title is empty");
  CheckFileName(options.title, "The title");
  BuildResult result;
  result.settingsName = options.title + kSettingsSuffix;
  CheckFileName(result.settingsName, "The settings-file name");

  std::vector<PlannedItem> planned;
  for (const ItemInput& input : options.items) {
    PlannedItem p;
    p.path = input.path;
    p.item.kind = input.kind;
    p.item.name = InputFileName(input.path);
    CheckFileName(p.item.name, std::string("The ") + KindName(input.kind) + " name");
    p.item.key = ItemKey(p.item.name);
    // A list entry that starts like a source marker is read as one, not as a payload item.
    if (input.kind != ItemKind::kFile) {
      for (const char* marker : kSourceMarkers) {
        if (p.item.name.rfind(marker, 0) == 0) {
          throw EBuildError(std::string("The ") + KindName(input.kind) + " name " + Quote(p.item.name) +
                            " begins with the source marker " + Quote(marker) +
                            ", which the runtime does not read as a payload item");
        }
      }
    }
    planned.push_back(std::move(p));
  }
  for (const std::string& asIs : options.storeAsIs) {
    bool found = false;
    for (PlannedItem& p : planned) {
      if (SameText(asIs, p.item.name) || SameText(asIs, p.item.key)) {
        p.item.asIs = true;
        found = true;
      }
    }
    if (!found) throw EBuildError("--store-as-is " + Quote(asIs) + " names no item");
  }

  CheckNamesMeet(planned, result.settingsName);

  // Inputs are read before the output is opened: writing over one of them would destroy it.
  std::vector<std::string> inputs{options.runtime};
  if (!options.settings.empty()) inputs.push_back(options.settings);
  for (const PlannedItem& p : planned) inputs.push_back(p.path);
  for (const std::string& in : inputs) {
    if (!files.FileExists(in)) throw EBuildError("Cannot read " + Quote(in) + ": no such file (or not a file)");
    if (SameFile(in, options.out)) throw EBuildError("The output " + Quote(options.out) + " is one of the inputs");
  }

  TMemIniFile ini;
  if (!options.settings.empty()) {
    const auto text = files.ReadWholeFile(options.settings, TMemIniFile::kMaxFileSize);
    if (!text) throw EBuildError("Cannot read settings file " + Quote(options.settings));
    ini.LoadFromText(*text);
  }
  for (const std::string& set : options.sets) {
    const SettingAssignment a = ParseSetting(set);
    ini.WriteString(a.section, a.key, a.value);
  }

  auto runtime = OpenInput(options.runtime, "runtime");
  const std::uint64_t runtimeSize = runtime->Size();
  if (runtimeSize == 0) throw EBuildError("The runtime " + Quote(options.runtime) + " is empty");

  // Pictures are converted, turned upright and checked into a scratch
  // folder before the output is opened; some may be left out or renamed.
  PictureWorkshop workshop(options.pictures, static_cast<TColor>(ini.ReadInteger("Set", "BackgroundColor", 0)),
                           options.report);
  PreparePictures(planned, workshop, options.report, result.pictures);
  CheckNamesMeet(planned, result.settingsName);
  FollowRenamedPictures(ini, result.pictures);

  auto out = files.Open(options.out, platform::OpenMode::kCreate);
  if (!out) throw EBuildError("Cannot create " + Quote(options.out));
  OutputGuard guard(options.out);

  std::string buffer(kCopyChunk, '\0');
  auto copyAll = [&](platform::FileStream& in, std::uint64_t size, const std::string& path) {
    std::uint64_t left = size;
    while (left > 0) {
      const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
      if (in.Read(buffer.data(), want) != want) throw EBuildError("Read error on " + Quote(path));
      WriteAll(*out, std::string_view(buffer.data(), want), options.out);
      left -= want;
    }
  };
  copyAll(*runtime, runtimeSize, options.runtime);
  runtime.reset();

  std::uint64_t offset = runtimeSize;
  Stage writing(options.report, "writing", planned);
  auto checkEnd = [&](const BuiltItem& item, std::uint64_t end) {
    if (end > options.offsetLimit) {
      throw EBuildError("Item " + Quote(item.name) + " would end at offset " + std::to_string(end) +
                        ", beyond " + std::to_string(options.offsetLimit) +
                        ", the largest offset the runtime reads (32-bit)");
    }
  };
  for (PlannedItem& p : planned) {
    auto in = OpenInput(p.path, KindName(p.item.kind));
    const std::uint64_t size = in->Size();
    p.item.start = offset;
    if (p.item.asIs) {
      if (size == 0) throw EBuildError("Item " + Quote(p.item.name) + " is empty: an empty range cannot be stored as-is");
      checkEnd(p.item, offset + size);
      copyAll(*in, size, p.path);
      offset += size;
    } else {
      if (size >= 0xFFFFFFFFu) throw EBuildError("Item " + Quote(p.item.name) + " is too large for a ZIP archive");
      ZipWriter zip;
      std::uint64_t read = 0;
      zip.AddEntry(p.item.name, InputDosDateTime(p.path), [&](char* data, std::size_t count) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(count, size - read));
        const std::size_t got = in->Read(data, want);
        if (got != want) throw EBuildError("Read error on " + Quote(p.path));
        read += got;
        return got;
      });
      const std::string archive = zip.Finish();
      checkEnd(p.item, offset + archive.size());
      WriteAll(*out, archive, options.out);
      offset += archive.size();
    }
    p.item.end = offset;
    writing.Advance(size);
  }
  writing.End();

  // The lists and the item table.
  std::set<std::string> itemKeys;
  for (const PlannedItem& p : planned) {
    if (p.item.kind == ItemKind::kPicture) ini.WriteString("Pictures", p.item.key, "1");
    if (p.item.kind == ItemKind::kMusic) ini.WriteString("Music", p.item.key, "1");
    itemKeys.insert(AnsiUpperCase(p.item.key));
  }
  // Offsets left from another build would point into this file at random.
  for (const std::string& key : ini.ReadSection("zippos")) {
    if (key.size() < 2 || key[key.size() - 2] != '_' || (key.back() != '1' && key.back() != '2')) continue;
    if (itemKeys.count(AnsiUpperCase(key.substr(0, key.size() - 2))) != 0) continue;
    if (ini.ReadString("zippos", key, "") == "0") continue;
    ini.WriteString("zippos", key, "0");
    result.warnings.push_back("[zippos] " + key + " names no item of this build: set to 0");
  }
  for (const PlannedItem& p : planned) {
    ini.WriteString("zippos", p.item.key + "_1", std::to_string(p.item.start));
    ini.WriteString("zippos", p.item.key + "_2", std::to_string(p.item.end));
  }
  for (const PlannedItem& p : planned) {
    if (p.item.asIs) {
      ini.WriteString("notzip", p.item.key, "1");
    } else if (ini.ValueExists("notzip", p.item.key)) {
      ini.WriteString("notzip", p.item.key, "0");
    }
  }
  result.settingsText = ini.ToText();

  ZipWriter settingsZip;
  settingsZip.AddEntry(result.settingsName, kDosEpoch, result.settingsText);
  const std::string settingsArchive = settingsZip.Finish();
  std::string tail = PayloadMarker();
  tail += result.settingsName;
  tail += kPayloadNameEnd;
  tail += settingsArchive;
  if (tail.size() > kPayloadWindow) {
    throw EBuildError("The settings archive is " + std::to_string(settingsArchive.size()) +
                      " bytes: with the marker and its name it takes " + std::to_string(tail.size()) +
                      " bytes, more than the " + std::to_string(kPayloadWindow) +
                      " bytes at the end of the file that the runtime reads");
  }
  result.markerOffset = offset;
  WriteAll(*out, tail, options.out);
  result.fileSize = offset + tail.size();
  out.reset();

  // Read the window back as the runtime will.
  {
    auto check = OpenInput(options.out, "output");
    const std::uint64_t size = check->Size();
    const std::uint64_t windowSize = std::min<std::uint64_t>(size, kPayloadWindow);
    std::string window(static_cast<std::size_t>(windowSize), '\0');
    if (size != result.fileSize || !check->Seek(size - windowSize) ||
        check->Read(window.data(), window.size()) != window.size()) {
      throw EBuildError("Cannot read back " + Quote(options.out));
    }
    const auto layout = FindPayloadLayout(window, size - windowSize);
    std::vector<BuiltItem> items;
    for (const PlannedItem& p : planned) items.push_back(p.item);
    if (!layout || layout->markerOffset != result.markerOffset) {
      const std::uint64_t at = layout ? layout->markerOffset : 0;
      throw EBuildError("\"" + PayloadMarker() + "\" occurs at offset " + std::to_string(at) + " " +
                        DescribeStrayMarker(at, runtimeSize, items) + ", within the last " +
                        std::to_string(kPayloadWindow) +
                        " bytes of the file: the runtime would take it for the payload marker");
    }
    if (!layout->hasSettings || layout->settingsName != result.settingsName ||
        layout->archiveSize != settingsArchive.size()) {
      throw EBuildError("The payload of " + Quote(options.out) + " does not read back as written");
    }
    for (const PlannedItem& p : planned) result.items.push_back(p.item);
  }
  // A Linux screensaver runs as a program of its own, and as a hack of X11
  // screensaver daemons.
  if (const auto kind = ReadBinaryKindOf(options.runtime); kind && kind->format == BinaryKind::kELF) {
    result.hackDescription = FinishLinuxScreensaver(options.out, options.runtime, options.title);
  }
  guard.Done();
  return result;
}

}  // namespace kestro::builder
