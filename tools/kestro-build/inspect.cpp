#include "inspect.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <set>

#include "common/ansi.h"
#include "common/paths.h"
#include "imaging/formats.h"
#include "payload/payload.h"
#include "payload/zip_reader.h"
#include "platform/api/files.h"
#include "platform/api/system.h"
#include "payload/mem_ini_file.h"
#include "payload/payload_settings.h"
#include "settings/saver_setting.h"
#include "pictures.h"
#include "scratch_folder.h"
#include "settings/setting_report.h"

namespace kestro::builder {

namespace {

constexpr const char* kSourceSections[] = {"Pictures", "Music", "Flash", "Video", "Web"};

// Points TempRoot somewhere else and forgets the payload for the duration.
class TempRootScope {
 public:
  explicit TempRootScope(const std::string& folder) : saved_(TempRoot) { TempRoot = folder; }
  ~TempRootScope() {
    ResetPayload();
    PayloadSettings() = TMemIniFile();
    TempRoot = saved_;
  }
  TempRootScope(const TempRootScope&) = delete;
  TempRootScope& operator=(const TempRootScope&) = delete;

 private:
  std::string saved_;
};

std::vector<ArchiveEntryInfo> ListArchive(const std::string& archivePath) {
  TVCLUnZip zip;
  zip.SetZipName(archivePath);
  zip.ReadZip();
  std::vector<ArchiveEntryInfo> entries;
  for (int i = 0; i < zip.Count(); ++i) {
    const TZipHeaderInfo& e = zip.Entry(i);
    entries.push_back({e.Path + e.FileName, e.CompressionMethod, e.CompressedSize, e.UncompressedSize, e.Crc32,
                       e.DateTime, e.Encrypted()});
  }
  return entries;
}

std::string ErrorText(const kestro::Exception& e) { return std::string(e.ClassName()) + ": " + e.Message(); }

const char* MethodName(std::uint16_t method) {
  switch (method) {
    case 0: return "stored";
    case 1: return "shrunk";
    case 2: case 3: case 4: case 5: return "reduced";
    case 6: return "imploded";
    case 8: return "deflated";
    default: return "unknown";
  }
}

void PrintEntry(const ArchiveEntryInfo& e, std::ostream& out) {
  out << "      entry " << e.name << "  " << MethodName(e.method) << " (" << e.method << ")  " << e.size
      << " bytes (" << e.compressedSize << " packed)  crc ";
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08X", e.crc);
  out << crc << "  " << FormatDosDateTime(e.dosDateTime) << (e.encrypted ? "  encrypted" : "") << "\n";
}

std::unique_ptr<platform::FileStream> OpenSaver(const std::string& path) {
  auto file = platform::Files().Open(path, platform::OpenMode::kReadShared);
  if (!file) throw EFOpenError("Cannot open file " + Quote(path));
  return file;
}

// The payload layout as the runtime finds it in the window at the end of the file.
std::optional<PayloadLayout> ReadLayout(platform::FileStream& file, const std::string& path) {
  const std::uint64_t size = file.Size();
  const std::uint64_t windowSize = std::min<std::uint64_t>(size, kPayloadWindow);
  std::string window(static_cast<std::size_t>(windowSize), '\0');
  if (!file.Seek(size - windowSize) || file.Read(window.data(), window.size()) != window.size()) {
    throw EInOutError("Cannot read " + Quote(path));
  }
  return FindPayloadLayout(window, size - windowSize);
}

// The picture an item holds, decoded as the show decodes it: an as-is item
// from its bytes, a zipped one from the entry of its name in `archive` (the
// copy of its bytes). Nothing for items without a picture format's extension.
void DescribePicture(platform::FileStream& saver, const std::string& archive, const std::string& folder,
                     ItemInfo& item) {
  const std::string fileName = ReplaceAll(item.name, kPayloadNameEnd, "=");
  const std::string ext = ExtractFileExt(fileName);
  if (ext.size() < 2 || PictureFileFormats().FindExt(ext.substr(1)) == nullptr) return;
  item.picture = true;
  const std::string path = folder + fileName;
  struct Remove {
    const std::string& path;
    ~Remove() { platform::Files().DeleteFile(path); }
  } remove{path};
  if (item.asIs) {
    const auto size = static_cast<std::size_t>(item.end - item.start);
    std::string bytes(size, '\0');
    auto copy = platform::Files().Open(path, platform::OpenMode::kCreate);
    if (!saver.Seek(static_cast<std::uint64_t>(item.start)) || saver.Read(bytes.data(), size) != size || !copy ||
        copy->Write(bytes.data(), size) != size) {
      throw EInOutError("Cannot copy item " + Quote(item.name) + " out of the screensaver");
    }
  } else {
    try {
      UnzipArchive(archive, folder);
    } catch (const kestro::Exception& e) {
      item.pictureProblem = ErrorText(e);
      return;
    }
    if (!platform::Files().FileExists(path)) {
      item.pictureProblem = "its archive holds no file named " + Quote(fileName);
      return;
    }
  }
  const PictureCheck check = CheckPictureFile(path, 0);
  item.pictureFormat = check.format;
  item.pictureWidth = check.size.width;
  item.pictureHeight = check.size.height;
  item.pictureProblem = check.problem;
}

}  // namespace

std::string FormatDosDateTime(std::uint32_t d) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (d >> 25), (d >> 21) & 0x0F,
                (d >> 16) & 0x1F, (d >> 11) & 0x1F, (d >> 5) & 0x3F, (d & 0x1F) * 2);
  return text;
}

bool Inspection::Sound() const {
  return settingsProblem.empty() && std::all_of(items.begin(), items.end(), [](const ItemInfo& item) {
           return item.problem.empty() && item.pictureProblem.empty();
         });
}

std::vector<std::string> PayloadItemNames(const TMemIniFile& ini) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const std::string& key : ini.ReadSection("zippos")) {
    if (key.size() < 3 || key[key.size() - 2] != '_' || (key.back() != '1' && key.back() != '2')) continue;
    const std::string name = key.substr(0, key.size() - 2);
    if (seen.insert(AnsiUpperCase(name)).second) names.push_back(name);
  }
  return names;
}

Inspection InspectScreensaver(const std::string& path) {
  Inspection result;
  auto file = OpenSaver(path);
  result.fileSize = file->Size();
  const auto layout = ReadLayout(*file, path);
  if (!layout) return result;
  result.found = true;
  result.markerOffset = layout->markerOffset;
  result.hasSettings = layout->hasSettings;
  result.settingsName = layout->settingsName;
  result.archiveOffset = layout->archiveOffset;
  result.archiveSize = layout->archiveSize;
  if (!layout->hasSettings) return result;

  ScratchFolder scratch;
  TempRootScope scope(scratch.Path());
  TMemIniFile ini;
  try {
    LocatePayloadIn(path);
    result.settingsEntries = ListArchive(TempRoot + result.settingsName + "~");
    result.settingsFileFound = !SettingsFile.empty() && platform::Files().FileExists(SettingsFile);
    if (result.settingsFileFound) ini = TMemIniFile(SettingsFile);
  } catch (const kestro::Exception& e) {
    result.settingsProblem = ErrorText(e);
    return result;
  }
  if (!result.settingsFileFound) {
    result.settingsProblem = "the settings archive holds no file named " + Quote(result.settingsName);
    return result;
  }
  result.settingsRecord = FormatSaverSetting(ReadPayloadRecord(ini, path));

  const std::string itemArchive = scratch.Path() + "item.zip";
  for (const std::string& name : PayloadItemNames(ini)) {
    ItemInfo item;
    item.name = name;
    item.start = ini.ReadInteger("zippos", name + "_1", 0);
    item.end = ini.ReadInteger("zippos", name + "_2", 0);
    item.asIs = ini.ReadBool("notzip", name, false);
    for (const char* section : kSourceSections) {
      if (ini.ValueExists(section, name)) item.lists.push_back(section);
    }
    if (item.start == 0 || item.end == 0) {
      // Not in the payload: the runtime skips it.
    } else if (item.start < 0 || item.end <= item.start || static_cast<std::uint64_t>(item.end) > result.fileSize) {
      item.problem = "offsets outside the file or reversed";
    } else if (!IsPlainFileName(ReplaceAll(name, kPayloadNameEnd, "="))) {
      item.inPayload = true;
      item.problem = "not a plain file name: the runtime extracts nothing";
    } else {
      item.inPayload = true;
    }
    if (item.inPayload && !item.asIs) {
      // A copy of the item's bytes, read by the runtime's reader.
      const auto size = static_cast<std::size_t>(item.end - item.start);
      std::string bytes(size, '\0');
      auto copy = platform::Files().Open(itemArchive, platform::OpenMode::kCreate);
      if (!file->Seek(static_cast<std::uint64_t>(item.start)) || file->Read(bytes.data(), size) != size || !copy ||
          copy->Write(bytes.data(), size) != size) {
        throw EInOutError("Cannot copy item " + Quote(name) + " out of " + Quote(path));
      }
      copy.reset();
      try {
        item.entries = ListArchive(itemArchive);
      } catch (const kestro::Exception& e) {
        item.problem = ErrorText(e);
      }
    }
    if (item.inPayload && item.problem.empty()) DescribePicture(*file, itemArchive, scratch.Path(), item);
    result.items.push_back(std::move(item));
  }
  return result;
}

void PrintInspection(const Inspection& r, std::ostream& out) {
  out << "size: " << r.fileSize << " bytes\n";
  if (!r.found) {
    out << "payload: none (no marker in the last " << kPayloadWindow << " bytes)\n";
    return;
  }
  out << "payload: marker at offset " << r.markerOffset << "\n";
  if (!r.hasSettings) {
    out << "settings file: none (no plain name, \"**\" and archive after the marker)\n";
    return;
  }
  out << "settings file: " << r.settingsName << " (archive at offset " << r.archiveOffset << ", " << r.archiveSize
      << " bytes)\n";
  for (const ArchiveEntryInfo& e : r.settingsEntries) PrintEntry(e, out);
  if (!r.settingsProblem.empty()) {
    out << "settings problem: " << r.settingsProblem << "\n";
    return;
  }
  out << "items: " << r.items.size() << "\n";
  for (const ItemInfo& item : r.items) {
    out << "  " << item.name << "  " << (item.asIs ? "as-is" : "zip") << "  " << item.start << ".." << item.end;
    if (item.inPayload) {
      out << "  " << (item.end - item.start) << " bytes";
    } else if (item.problem.empty()) {
      out << "  not in the payload (no offsets)";
    }
    for (const std::string& list : item.lists) out << "  [" << list << "]";
    if (item.picture && item.pictureProblem.empty()) {
      out << "  " << item.pictureFormat;
      if (item.pictureWidth > 0) out << " " << item.pictureWidth << "x" << item.pictureHeight;
    }
    out << "\n";
    if (!item.problem.empty()) out << "      problem: " << item.problem << "\n";
    if (!item.pictureProblem.empty()) out << "      picture problem: " << item.pictureProblem << "\n";
    for (const ArchiveEntryInfo& e : item.entries) PrintEntry(e, out);
  }
  out << "settings (defaults and the settings file):\n" << r.settingsRecord;
}

Extraction ExtractScreensaver(const std::string& path, const std::string& folder) {
  if (!platform::Files().CreateDirectories(folder)) throw EBuildError("Cannot create folder " + Quote(folder));
  const std::string root = IncludeTrailingSeparator(folder);
  const auto layout = ReadLayout(*OpenSaver(path), path);
  if (!layout) throw EBuildError(Quote(path) + " carries no payload");
  Extraction result;
  if (!layout->hasSettings) return result;  // a marker without settings: nothing names an item

  TempRootScope scope(root);
  // The raw copies go whatever happens below.
  struct RawCopies {
    std::vector<std::string> paths;
    ~RawCopies() {
      for (const std::string& raw : paths) {
        if (platform::Files().FileExists(raw)) {
          platform::Files().SetAttributes(raw, platform::kAttrNormal);
          platform::Files().DeleteFile(raw);
        }
      }
    }
  } rawCopies;
  rawCopies.paths.push_back(root + layout->settingsName + "~");
  // A settings file left from before must not pass for this payload's.
  if (platform::Files().FileExists(root + layout->settingsName)) {
    platform::Files().SetAttributes(root + layout->settingsName, platform::kAttrNormal);
    platform::Files().DeleteFile(root + layout->settingsName);
  }
  LocatePayloadIn(path);
  if (platform::Files().FileExists(SettingsFile)) {
    result.settingsFile = SettingsFile;
    PayloadSettings() = TMemIniFile(SettingsFile);
  }
  for (const std::string& name : PayloadItemNames(PayloadSettings())) {
    ExtractedItem item;
    item.name = name;
    const std::string fileName = ReplaceAll(name, kPayloadNameEnd, "=");
    item.file = root + fileName;
    if (!IsPlainFileName(fileName)) {
      item.problem = "not a plain file name: skipped";
      result.items.push_back(std::move(item));
      continue;
    }
    // Whatever a file of that name held before, the item replaces it.
    if (platform::Files().FileExists(item.file)) {
      platform::Files().SetAttributes(item.file, platform::kAttrNormal);
      platform::Files().DeleteFile(item.file);
    }
    rawCopies.paths.push_back(item.file + "~");
    try {
      ExtractPayloadItem(name, item.file, "");
      item.ok = platform::Files().FileExists(item.file);
      if (!item.ok) item.problem = "nothing extracted (no offsets, or no entry of that name in its archive)";
    } catch (const kestro::Exception& e) {
      item.problem = ErrorText(e);
    }
    result.items.push_back(std::move(item));
  }
  return result;
}

int UnzipArchive(const std::string& archive, const std::string& folder) {
  TVCLUnZip zip;
  zip.SetZipName(archive);
  zip.DoAll = true;
  zip.SetDestDir(folder);
  zip.OverwriteMode = TOverwriteMode::Always;
  return zip.UnZip();
}

}  // namespace kestro::builder
