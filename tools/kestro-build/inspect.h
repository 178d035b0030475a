#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "build_error.h"

namespace kestro {
class TMemIniFile;
}

namespace kestro::builder {

struct ArchiveEntryInfo {
  std::string name;  // path and file name as the archive holds them
  std::uint16_t method = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t size = 0;
  std::uint32_t crc = 0;
  std::uint32_t dosDateTime = 0;
  bool encrypted = false;
};

struct ItemInfo {
  std::string name;                 // as [zippos] keys it ("**" for "=")
  std::int64_t start = 0;           // as the runtime reads them
  std::int64_t end = 0;
  bool asIs = false;
  bool inPayload = false;           // offsets present and inside the file
  std::vector<std::string> lists;   // the source sections that name it
  std::vector<ArchiveEntryInfo> entries;
  std::string problem;              // why the item cannot be read, if it cannot
  // Items whose extension is a picture format's: as the runtime decodes them.
  bool picture = false;
  std::string pictureFormat;
  int pictureWidth = 0, pictureHeight = 0;
  std::string pictureProblem;       // why the runtime would not show it
};

struct Inspection {
  std::uint64_t fileSize = 0;
  bool found = false;
  std::uint64_t markerOffset = 0;
  bool hasSettings = false;
  std::string settingsName;
  std::uint64_t archiveOffset = 0;
  std::uint64_t archiveSize = 0;
  std::vector<ArchiveEntryInfo> settingsEntries;
  bool settingsFileFound = false;
  std::string settingsProblem;
  // The settings record after the defaults and the settings file (no user
  // values), one "Field=value" a line as the runtime's start-up report has it.
  std::string settingsRecord;
  std::vector<ItemInfo> items;

  // No part that the runtime would fail to read.
  bool Sound() const;
};

// Reads a screensaver's payload without changing it: the runtime's own
// locator and ZIP reader work on copies in a scratch folder.
Inspection InspectScreensaver(const std::string& path);
void PrintInspection(const Inspection& inspection, std::ostream& out);

struct ExtractedItem {
  std::string name;     // as [zippos] keys it
  std::string file;     // the file the item became
  bool ok = false;
  std::string problem;
};

struct Extraction {
  std::string settingsFile;  // empty when the payload has none
  std::vector<ExtractedItem> items;
};

// Extracts every item and the settings file into `folder` through the
// runtime's payload code, with TempRoot pointed at that folder; the raw "~"
// copies are removed afterwards. Throws when there is no payload or its
// settings archive cannot be read; a damaged item is reported and skipped.
Extraction ExtractScreensaver(const std::string& path, const std::string& folder);

// Extracts every entry of a ZIP archive into `folder` with the runtime's
// reader; returns the number of entries extracted.
int UnzipArchive(const std::string& archive, const std::string& folder);

// The item names of a settings file's [zippos] section, in file order.
std::vector<std::string> PayloadItemNames(const TMemIniFile& ini);

std::string FormatDosDateTime(std::uint32_t dosDateTime);

}  // namespace kestro::builder
