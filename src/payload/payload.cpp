#include "payload/payload.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "common/ansi.h"
#include "common/paths.h"
#include "payload/zip_reader.h"
#include "platform/api/system.h"
#include "payload/payload_settings.h"

namespace kestro {

std::string TempRoot;
std::string SystemFolder;
bool PayloadFound = false;
bool RunAsExe = false;
std::string SettingsFile;

namespace {

std::unique_ptr<platform::FileStream> payloadStream;
std::unique_ptr<TVCLUnZip> unzipper;

constexpr std::size_t kCopyChunk = 64 * 1024;

// Item targets are files directly inside TempRoot; anything else is refused
// so that no item name can steer a write outside the extraction folder.
bool IsTempRootFile(const std::string& path) {
  return path.size() > TempRoot.size() && path.compare(0, TempRoot.size(), TempRoot) == 0 &&
         IsPlainFileName(std::string_view(path).substr(TempRoot.size()));
}

bool WriteBytes(const std::string& path, const char* data, std::size_t size) {
  auto out = platform::Files().Open(path, platform::OpenMode::kCreate);
  if (!out) throw EFCreateError("Cannot create file \"" + path + "\"");
  return out->Write(data, size) == size;
}

// Copies [start, end) of the program file to a new file, a chunk at a time.
void CopyRange(std::uint64_t start, std::uint64_t end, const std::string& path) {
  auto out = platform::Files().Open(path, platform::OpenMode::kCreate);
  if (!out) throw EFCreateError("Cannot create file \"" + path + "\"");
  if (!payloadStream->Seek(start)) throw EInOutError("Seek error in the program file");
  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(kCopyChunk, end - start)));
  std::uint64_t left = end - start;
  while (left > 0) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
    if (payloadStream->Read(buffer.data(), want) != want) throw EInOutError("Read beyond end of file");
    if (out->Write(buffer.data(), want) != want) throw EInOutError("Write error on \"" + path + "\"");
    left -= want;
  }
}

struct ItemRange {
  std::uint64_t start;
  std::uint64_t end;
};

// An item's bytes [start, end) in the program file, from [zippos]. Offsets
// come from the file: anything outside it, or an empty or reversed range,
// is no item.
std::optional<ItemRange> ItemRangeOf(const TMemIniFile& ini, std::string_view itemName) {
  const std::string name(itemName);
  const std::int32_t start = ini.ReadInteger("zippos", name + "_1", 0);
  const std::int32_t end = ini.ReadInteger("zippos", name + "_2", 0);
  if (start <= 0 || end <= start || static_cast<std::uint64_t>(end) > payloadStream->Size()) return std::nullopt;
  return ItemRange{static_cast<std::uint64_t>(start), static_cast<std::uint64_t>(end)};
}

// The builder writes items back to back. Ranges that overlap come from a
// hand-made file whose many items each cover the same bytes, so that a small
// settings file could fill the disk: such items are not extracted.
bool OverlapsAnotherItem(const TMemIniFile& ini, std::string_view itemName, const ItemRange& range) {
  for (const std::string& key : ini.ReadSection("zippos")) {
    if (key.size() < 2 || key.compare(key.size() - 2, 2, "_1") != 0) continue;
    const std::string_view other = std::string_view(key).substr(0, key.size() - 2);
    if (SameText(other, itemName)) continue;
    const std::optional<ItemRange> o = ItemRangeOf(ini, other);
    if (o && o->start < range.end && range.start < o->end) return true;
  }
  return false;
}

}  // namespace

platform::FileStream* PayloadStream() { return payloadStream.get(); }

std::optional<PayloadLayout> FindPayloadLayout(std::string_view window, std::uint64_t windowStart) {
  const std::string markerText = PayloadMarker();
  const std::size_t marker = window.find(markerText);
  if (marker == std::string_view::npos) return std::nullopt;
  PayloadLayout layout;
  layout.markerOffset = windowStart + marker;

  const std::size_t nameStart = marker + markerText.size();
  const std::string_view rest = window.substr(nameStart);
  const std::size_t nameEnd = rest.find(kPayloadNameEnd);
  if (nameEnd == std::string_view::npos) return layout;  // no settings: every default applies
  const std::string_view name = rest.substr(0, nameEnd);
  const std::size_t archiveStart = nameStart + nameEnd + 2;
  if (!IsPlainFileName(name) || archiveStart >= window.size()) return layout;
  layout.hasSettings = true;
  layout.settingsName = std::string(name);
  layout.archiveOffset = windowStart + archiveStart;
  layout.archiveSize = window.size() - archiveStart;
  return layout;
}

std::string PayloadMarker() {
  std::string marker = "#ortsek#";
  std::reverse(marker.begin(), marker.end());
  return marker;
}

void PayloadModuleStartup() {
  TempRoot = platform::Sys().TempFolder() + "Kestro" + kPathSep;
  SystemFolder = IncludeTrailingSeparator(platform::Sys().SystemFolder());
  platform::Files().CreateDirectories(TempRoot + "tmp");
}

void ResetPayload() {
  payloadStream.reset();
  unzipper.reset();
  PayloadFound = false;
  RunAsExe = false;
  SettingsFile.clear();
}

void LocatePayload() { LocatePayloadIn(platform::Sys().ProgramPath()); }

void LocatePayloadIn(const std::string& programPath) {
  ResetPayload();
  payloadStream = platform::Files().Open(programPath, platform::OpenMode::kReadShared);
  if (!payloadStream) throw EFOpenError("Cannot open file \"" + programPath + "\"");

  // One fixed window at the end of the file: the payload of a screensaver
  // can be many megabytes, and the marker is always near the end.
  const std::uint64_t size = payloadStream->Size();
  const std::uint64_t windowSize = std::min<std::uint64_t>(size, kPayloadWindow);
  std::string window(static_cast<std::size_t>(windowSize), '\0');
  if (!payloadStream->Seek(size - windowSize) ||
      payloadStream->Read(window.data(), window.size()) != window.size()) {
    payloadStream.reset();
    return;
  }

  const std::optional<PayloadLayout> layout = FindPayloadLayout(window, size - windowSize);
  if (!layout) {
    payloadStream.reset();
    return;
  }
  PayloadFound = true;
  RunAsExe = AnsiUpperCase(ExtractFileExt(programPath)) == ".EXE";
  if (!layout->hasSettings) return;

  const std::string& name = layout->settingsName;
  const std::string_view archive =
      std::string_view(window).substr(static_cast<std::size_t>(layout->archiveOffset - (size - windowSize)));
  const std::string archivePath = TempRoot + name + "~";
  if (!WriteBytes(archivePath, archive.data(), archive.size())) {
    throw EInOutError("Write error on \"" + archivePath + "\"");
  }
  UnzipToFolder(archivePath, "");
  SettingsFile = TempRoot + name;
}

void ExtractPayloadItem(const std::string& itemName, const std::string& targetPath,
                        const std::string& unzipFolder) {
  if (!payloadStream || !IsTempRootFile(targetPath)) return;
  const TMemIniFile& ini = PayloadSettings();
  const std::optional<ItemRange> range = ItemRangeOf(ini, itemName);
  if (!range || OverlapsAnotherItem(ini, itemName, *range)) return;
  const auto [start, end] = *range;

  const std::string rawPath = targetPath + "~";
  CopyRange(static_cast<std::uint64_t>(start), static_cast<std::uint64_t>(end), rawPath);
  if (ini.ReadBool("notzip", itemName, false)) {
    if (!platform::Files().CopyFile(rawPath, targetPath)) {
      throw EFCreateError("Cannot create file \"" + targetPath + "\"");
    }
  } else {
    UnzipToFolder(rawPath, unzipFolder);
  }
}

bool FetchPayloadFile(const std::string& itemKey, std::string& path) {
  path = TempRoot + ExtractFileName(path);
  if (!IsTempRootFile(path)) return false;
  if (!platform::Files().FileExists(path)) {
    try {
      ExtractPayloadItem(ExtractFileName(itemKey), path, "");
    } catch (...) {
      // A damaged item reads as a missing file: a part-written one (an
      // archive cut short) must not be shown as if it were whole.
      platform::Files().SetAttributes(path, platform::kAttrNormal);
      platform::Files().DeleteFile(path);
    }
  }
  if (!platform::Files().FileExists(path)) return false;
  platform::Files().SetAttributes(path, platform::kAttrNormal);
  return true;
}

void UnzipToFolder(const std::string& archivePath, const std::string& folder) {
  if (!unzipper) unzipper = std::make_unique<TVCLUnZip>();
  unzipper->SetZipName(archivePath);
  unzipper->DoAll = true;
  unzipper->SetDestDir(folder.empty() ? TempRoot : folder);
  unzipper->OverwriteMode = TOverwriteMode::Always;
  unzipper->UnZip();
}

void ExtractDecoderLibrary() {
  if (!PayloadFound) return;
  if (platform::Files().FileExists(SystemFolder + kDecoderLibraryItem)) return;
  ExtractPayloadItem(kDecoderLibraryItem, TempRoot + kDecoderLibraryItem, SystemFolder);
}

void CleanTempFolders() {
  if (TempRoot.empty()) return;
  for (const std::string& folder : {TempRoot, TempRoot + "tmp" + kPathSep}) {
    try {
      for (const std::string& name : platform::Files().ListFiles(folder)) {
        const std::string path = folder + name;
        platform::Files().SetAttributes(path, platform::kAttrNormal);
        platform::Files().DeleteFile(path);  // a file in use stays
      }
    } catch (...) {
    }
  }
}

}  // namespace kestro
