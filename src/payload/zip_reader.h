#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"

namespace kestro {

KESTRO_DECLARE_ERROR(EBadZipFile);
KESTRO_DECLARE_ERROR(EIncompleteZip);
KESTRO_DECLARE_ERROR(ENotAZipFile);
KESTRO_DECLARE_ERROR(EFatalUnzipError);
KESTRO_DECLARE_ERROR(EUserCanceled);
KESTRO_DECLARE_ERROR(EBiggerThanUncompressed);
KESTRO_DECLARE_ERROR(ECantWriteUCF);

enum class TOverwriteMode { Prompt, Always, Never, ifNewer, ifOlder };
enum class TIncompleteZipMode { izAssumeMulti, izAssumeBad, izAssumeNotAZip };

// The end-of-central-directory record as read.
struct TEndCentral {
  std::uint16_t ThisDisk = 0;
  std::uint16_t CentralDisk = 0;
  std::uint16_t EntriesThisDisk = 0;
  std::uint16_t TotalEntries = 0;
  std::uint32_t CentralSize = 0;
  std::uint32_t CentralOffset = 0;
  std::uint16_t CommentLength = 0;
  std::uint64_t CommentPosition = 0;  // absolute file position of the archive comment
};

// One entry as read from its central directory header (or, after a recovery
// scan, from its local header).
struct TZipHeaderInfo {
  std::uint16_t VersionMadeBy = 0;
  std::uint16_t VersionNeeded = 0;
  std::uint16_t Flags = 0;
  std::uint16_t CompressionMethod = 0;
  std::uint32_t DateTime = 0;          // MS-DOS date and time, sanitised
  std::uint32_t Crc32 = 0;
  std::uint32_t CompressedSize = 0;
  std::uint32_t UncompressedSize = 0;
  std::uint16_t NameLength = 0;
  std::uint16_t ExtraLength = 0;
  std::uint16_t CommentLength = 0;
  std::uint16_t DiskStart = 0;
  std::uint16_t InternalAttributes = 0;
  std::uint32_t ExternalAttributes = 0;
  std::uint32_t LocalHeaderOffset = 0;
  std::uint32_t CentralHeaderOffset = 0;
  std::string FileName;  // after the last backslash
  std::string Path;      // up to and including the last backslash

  bool Encrypted() const { return (Flags & 0x0001) != 0; }
  bool HasDataDescriptor() const { return (Flags & 0x0008) != 0; }
  std::uint8_t HostSystem() const { return static_cast<std::uint8_t>(VersionMadeBy >> 8); }
};

// Reads ZIP archives (PKWARE format) and extracts their entries into one
// folder. The program uses it one way: one archive, every entry, flat into
// the destination, existing files replaced, each file checked by its CRC-32.
class TVCLUnZip {
 public:
  TVCLUnZip();
  ~TVCLUnZip();
  TVCLUnZip(const TVCLUnZip&) = delete;
  TVCLUnZip& operator=(const TVCLUnZip&) = delete;

  // Setting a different name (compared without regard to case) drops the
  // directory read before.
  void SetZipName(const std::string& name);
  const std::string& ZipName() const { return zipName_; }
  // A trailing separator is removed.
  void SetDestDir(const std::string& folder);
  const std::string& DestDir() const { return destDir_; }

  bool DoAll = false;
  TOverwriteMode OverwriteMode = TOverwriteMode::Prompt;
  bool RecreateDirs = false;
  bool RetainAttributes = true;
  bool ReplaceReadOnly = false;
  bool OEMConvert = true;
  bool DoProcessMessages = true;
  TIncompleteZipMode IncompleteZipMode = TIncompleteZipMode::izAssumeMulti;
  std::string Password;

  // Reads the directory if needed and extracts the selected entries; returns
  // how many were extracted, and closes the archive.
  int UnZip();

  // Reads the directory (when the name or the file's date changed since the
  // last read) without extracting anything.
  void ReadZip();
  int Count() const { return static_cast<int>(entries_.size()); }
  const TZipHeaderInfo& Entry(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
  const TEndCentral& EndCentral() const { return endCentral_; }

 private:
  class Impl;
  std::string zipName_;
  std::string destDir_;
  std::vector<TZipHeaderInfo> entries_;
  TEndCentral endCentral_;
  std::optional<std::int64_t> directoryStamp_;  // the file's stamp when the directory was read
  bool directoryRead_ = false;
  std::unique_ptr<Impl> impl_;
};

// The CRC-32 of ZIP archives (polynomial 0xEDB88320, initial value all ones,
// result complemented), continued from `crc` over `size` bytes.
std::uint32_t ZipCrc32(std::uint32_t crc, const void* data, std::size_t size);

// Sanitises an MS-DOS date and time: each field out of range is clamped on
// its own (seconds/2 to 29, minutes to 59, hours to 23, day 0 to 1, month 0
// to 1 and above 12 to 12, year to 119).
std::uint32_t SanitizeDosDateTime(std::uint32_t dosDateTime);

}  // namespace kestro
