#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "build_error.h"
#include "pictures.h"

namespace kestro::builder {

class BuildReport;

// The largest offset the runtime reads: [zippos] values are 32-bit integers.
inline constexpr std::uint64_t kMaxItemOffset = 0x7FFFFFFF;
// The settings file's name is the title followed by this.
inline constexpr char kSettingsSuffix[] = ".002";

enum class ItemKind { kPicture, kMusic, kFile };

struct ItemInput {
  ItemKind kind = ItemKind::kFile;
  std::string path;
};

struct BuildOptions {
  std::string runtime;                  // the runtime program file
  std::string out;                      // the screensaver to write
  std::string title;
  std::vector<ItemInput> items;         // in payload order
  std::vector<std::string> storeAsIs;   // item names stored as the file itself
  std::string settings;                 // INI to start from (empty: none)
  std::vector<std::string> sets;        // "Section.Key=Value"
  std::uint64_t offsetLimit = kMaxItemOffset;  // lowered by tests only
  PictureChecks pictures;               // what is done to the pictures before they are stored
  BuildReport* report = nullptr;        // told of each picture and of the progress (may be null)
};

struct BuiltItem {
  std::string name;   // the input's file name
  std::string key;    // the name as the settings file keys it ("=" written "**")
  ItemKind kind = ItemKind::kFile;
  bool asIs = false;
  std::uint64_t start = 0;  // absolute offsets in the screensaver file
  std::uint64_t end = 0;
};

struct BuildResult {
  std::vector<BuiltItem> items;
  std::string settingsName;
  std::string settingsText;
  std::uint64_t markerOffset = 0;
  std::uint64_t fileSize = 0;
  std::vector<std::string> warnings;
  std::vector<PreparedPicture> pictures;  // every picture input, in order, left out ones too
  std::string hackDescription;            // a Linux screensaver's xscreensaver description (empty: none)
};

// Writes the screensaver: the runtime's bytes, the items, the marker, the
// settings-file name, "**" and the settings archive. Refuses (EBuildError,
// with nothing left at `out`) anything the runtime could not read back.
BuildResult MakeScreensaver(const BuildOptions& options);

// The input's file name: the part after the last folder separator of this platform.
std::string InputFileName(const std::string& path);
// The settings-file key of an item name: every "=" written "**".
std::string ItemKey(const std::string& name);
// Throws EBuildError unless `name` can be an item (or settings) file name the
// runtime reads back; `what` names it in the message.
void CheckFileName(const std::string& name, const std::string& what);
// Splits "Section.Key=Value" (section before the first ".", key up to the first "=").
struct SettingAssignment {
  std::string section, key, value;
};
SettingAssignment ParseSetting(const std::string& text);
// The MS-DOS date and time of a file's last change (local time), clamped to
// the range ZIP archives hold; 1 January 1980 when it cannot be read.
std::uint32_t InputDosDateTime(const std::string& path);

}  // namespace kestro::builder
