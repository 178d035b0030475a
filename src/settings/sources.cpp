#include "settings/sources.h"

#include <algorithm>
#include <vector>

#include "common/ansi.h"
#include "common/paths.h"
#include "common/random.h"
#include "payload/payload.h"
#include "platform/api/files.h"
#include "payload/payload_settings.h"

namespace kestro {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Entries are written with Windows paths. Elsewhere a backslash in an entry
// reads as the platform's separator, so "pics\a.jpg" names pics/a.jpg; a
// drive letter ("C:\...") names nothing that exists, and such an entry is
// then found by its file name alone.
std::string NativePath(std::string path) {
  if constexpr (kPathSep != '\\') std::replace(path.begin(), path.end(), '\\', kPathSep);
  return path;
}

// A path that does not hang off the program's sample folder: one with a
// drive colon, or (where "/" is the separator) an absolute one.
bool IsRooted(std::string_view path) {
  if (path.find(':') != std::string_view::npos) return true;
  return kPathSep == '/' && !path.empty() && path.front() == '/';
}

// A path whose file name is a device never counts as a file: on Windows it
// would read the device wherever the path points.
bool FileExists(const std::string& path) {
  return !IsWindowsDeviceName(ExtractFileName(path)) && platform::Files().FileExists(path);
}

// Picks the index of the n-th (0-based) element still present in a Fenwick
// tree of counts, and removes it.
class RemainingIndex {
 public:
  explicit RemainingIndex(std::size_t count) : tree_(count + 1, 0) {
    for (std::size_t i = 1; i <= count; ++i) {
      tree_[i] += 1;
      const std::size_t parent = i + (i & (~i + 1));
      if (parent <= count) tree_[parent] += tree_[i];
    }
    top_ = 1;
    while (top_ * 2 <= count) top_ *= 2;
  }

  std::size_t Take(std::size_t n) {
    std::size_t pos = 0;
    std::size_t left = n + 1;
    for (std::size_t step = top_; step > 0; step /= 2) {
      if (pos + step < tree_.size() && tree_[pos + step] < left) {
        pos += step;
        left -= tree_[pos];
      }
    }
    for (std::size_t i = pos + 1; i < tree_.size(); i += i & (~i + 1)) --tree_[i];
    return pos;  // 0-based index of the taken element
  }

 private:
  std::vector<std::size_t> tree_;
  std::size_t top_ = 1;
};

}  // namespace

TSourceList ReadSourceList(const TMemIniFile& ini, std::string_view section,
                           std::vector<std::string>* resources) {
  TSourceList list;
  for (const std::string& key : ini.ReadSection(section)) {
    if (!ini.ReadBool(section, key, true)) continue;
    if (StartsWith(key, kMarkerResource) || StartsWith(key, kMarkerExternal)) {
      if (resources != nullptr) resources->push_back(key);
      continue;
    }
    list.push_back(key);
  }
  return list;
}

void BuildSourceList(std::string_view section, TSourceList& list) {
  list.clear();
  std::vector<std::string> resources;
  list = ReadSourceList(PayloadSettings(), section, &resources);
  for (const std::string& resource : resources) FetchResourceItem(resource);
}

void FetchResourceItem(const std::string& entry) {
  if (!PayloadFound) return;
  std::string item = entry;
  std::string name = ReplaceAll(entry, "**", "=");
  if (StartsWith(name, kMarkerResource)) {
    StripPrefix(name, kMarkerResource, true);
    StripPrefix(item, kMarkerResource, true);
  }
  if (StartsWith(name, kMarkerExternal)) {
    StripPrefix(name, kMarkerExternal, true);
    StripPrefix(item, kMarkerExternal, true);
  }
  // Only a plain file name may become a file in TempRoot: a folder part,
  // "..", a drive or a control character would point elsewhere.
  if (!IsPlainFileName(name)) return;
  ExtractPayloadItem(item, TempRoot + name, "");
}

void ShuffleList(TSourceList& list) {
  SeedRandomFromClock();
  // Draw a uniform index among the entries left and move that entry to the
  // new order, until none is left.
  TSourceList shuffled;
  shuffled.reserve(list.size());
  RemainingIndex remaining(list.size());
  for (std::size_t left = list.size(); left > 0; --left) {
    const auto pick = static_cast<std::size_t>(RandomBelow(static_cast<std::int32_t>(left)));
    shuffled.push_back(std::move(list[remaining.Take(pick)]));
  }
  list = std::move(shuffled);
}

void ShuffleSequences() {
  if (SaverSetting.ImageSequence == 2) ShuffleList(SaverSetting.PictureList);
  if (SaverSetting.FlashSequence == 2) ShuffleList(SaverSetting.FlashList);
  if (SaverSetting.VideoSequence == 2) ShuffleList(SaverSetting.VideoList);
  if (SaverSetting.WebSequence == 2) ShuffleList(SaverSetting.WebList);
}

std::string StripPrefix(std::string& text, std::string_view prefix, bool replace) {
  if (!StartsWith(text, prefix)) return text;
  std::string rest = text.substr(prefix.size());
  if (replace) text = rest;
  return rest;
}

bool ResolveSource(std::string& entry) {
  const std::string original = entry;
  // The payload item is looked up by the file-name part as the list holds it.
  const std::string key = ExtractFileName(original);
  entry = ReplaceAll(entry, "**", "=");
  if (entry.empty()) return false;

  if (entry.find("://") != std::string::npos) {
    StripPrefix(entry, kMarkerURL, true);
    return true;  // a web address is taken as it is
  }

  entry = NativePath(entry);
  if (entry.back() == kPathSep) {
    if (platform::Files().DirectoryExists(entry)) return true;
    StripPrefix(entry, kMarkerFavorites, true);
    return platform::Files().DirectoryExists(entry);
  }

  if (StartsWith(entry, kMarkerURL)) {
    StripPrefix(entry, kMarkerURL, true);
    return FileExists(entry);
  }

  if (StartsWith(entry, kMarkerFile)) {
    StripPrefix(entry, kMarkerFile, true);
    if (PayloadFound) return FetchPayloadFile(key, entry);
    return FileExists(entry);
  }

  if (StartsWith(entry, kMarkerResource) || StartsWith(entry, kMarkerExternal)) {
    // The file named after the marker: with a payload, a plain name is the
    // item extracted into TempRoot (now, if the lists did not do it); a path
    // names a local file. Without a payload the name is searched for like
    // any other entry below.
    std::string item = original;
    StripPrefix(item, StartsWith(item, kMarkerResource) ? kMarkerResource : kMarkerExternal, true);
    StripPrefix(entry, StartsWith(entry, kMarkerResource) ? kMarkerResource : kMarkerExternal, true);
    if (entry.empty()) return false;
    if (PayloadFound) {
      if (!IsPlainFileName(entry)) return FileExists(entry);
      entry = TempRoot + entry;
      if (!FileExists(entry)) {
        try {
          ExtractPayloadItem(item, entry, "");
        } catch (...) {
          // A damaged item reads as a missing file.
        }
      }
      if (!FileExists(entry)) return false;
      platform::Files().SetAttributes(entry, platform::kAttrNormal);
      return true;
    }
  } else if (PayloadFound) {
    return FetchPayloadFile(key, entry);
  }

  // No payload: the sample folder beside the program first, then the
  // install folder, its sample folder and the program's folder by file name.
  if (!IsRooted(entry)) entry = ProgramFolder + "sample" + kPathSep + entry;
  if (FileExists(entry)) return true;
  const std::string name = ExtractFileName(entry);
  if (name.empty()) return false;
  for (const std::string& candidate : {InstallFolder + name, InstallFolder + "sample" + kPathSep + name,
                                       ProgramFolder + name}) {
    if (FileExists(candidate)) {
      entry = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace kestro
