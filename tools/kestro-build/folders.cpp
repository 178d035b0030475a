#include "folders.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "build_error.h"
#include "common/ansi.h"
#include "convert.h"
#include "imaging/formats.h"

namespace kestro::builder {

namespace {

namespace fs = std::filesystem;

constexpr const char* kMusicExtensions[] = {"mp3", "wav", "mid", "midi", "rmi", "wma"};

struct Entry {
  std::string name;
  fs::path path;
};

void Scan(const fs::path& folder, const std::string& shown, FolderContent content, bool recursive, FolderScan& out) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) {
    out.skipped.push_back(shown + ": cannot read the folder (" + ec.message() + ")");
    return;
  }
  std::vector<Entry> entries;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    entries.push_back({it->path().filename().string(), it->path()});
  }
  if (ec) out.skipped.push_back(shown + ": the folder cannot be read to its end (" + ec.message() + ")");
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    const int order = CompareText(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  for (const Entry& e : entries) {
    const std::string path = (fs::path(shown) / e.name).string();
    const fs::file_status link = fs::symlink_status(e.path, ec);
    const bool isLink = !ec && fs::is_symlink(link);
    if (fs::is_directory(e.path, ec)) {
      if (!recursive) {
        out.skipped.push_back(path + ": a folder (--recursive takes sub-folders)");
      } else if (isLink) {
        out.skipped.push_back(path + ": a link to a folder, not followed");
      } else {
        Scan(e.path, path, content, recursive, out);
      }
    } else if (!fs::is_regular_file(e.path, ec)) {
      out.skipped.push_back(path + ": not a file");
    } else if (e.name.front() == '.') {
      out.skipped.push_back(path + ": a hidden file");
    } else {
      const std::string ext = e.path.extension().string();
      if (TakesExtension(content, ext.empty() ? ext : ext.substr(1))) {
        out.files.push_back(e.path.string());
      } else {
        out.skipped.push_back(path + (content == FolderContent::kPictures ? ": not a picture the show can use"
                                                                          : ": not music the show plays"));
      }
    }
  }
}

}  // namespace

bool TakesExtension(FolderContent content, std::string_view extension) {
  if (extension.empty()) return false;
  if (content == FolderContent::kMusic) {
    return std::any_of(std::begin(kMusicExtensions), std::end(kMusicExtensions),
                       [&](const char* ext) { return SameText(ext, extension); });
  }
  return PictureFileFormats().FindExt(extension) != nullptr || FindPhoneFormat(extension) != nullptr;
}

FolderScan ScanFolder(const std::string& folder, FolderContent content, bool recursive) {
  std::error_code ec;
  if (!fs::is_directory(fs::path(folder), ec)) throw EBuildError("Cannot read folder " + Quote(folder) + ": no such folder");
  FolderScan scan;
  Scan(fs::path(folder), folder, content, recursive, scan);
  return scan;
}

}  // namespace kestro::builder
