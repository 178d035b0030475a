#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestro::platform {

// File attributes, with the values of the Windows file system. Other file
// systems map what they can (read-only) and report the rest as clear.
enum FileAttributes : std::uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrNormal = 0x80,
};

// An open file. Reads and writes return how many bytes moved; a short count
// means end of file or failure.
class FileStream {
 public:
  virtual ~FileStream() = default;
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  virtual bool Seek(std::uint64_t position) = 0;
  virtual std::uint64_t Position() = 0;
  virtual std::uint64_t Size() = 0;
};

enum class OpenMode {
  kReadShared,      // read; others may read and write meanwhile
  kReadDenyWrite,   // read; others may read but not write meanwhile
  kCreate,          // create or truncate for writing
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // nullptr when the file cannot be opened (or created).
  virtual std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode) = 0;

  virtual bool FileExists(const std::string& path) = 0;       // a file, not a folder
  virtual bool DirectoryExists(const std::string& path) = 0;
  // Creates the folder and any missing parents; true when it exists afterwards.
  virtual bool CreateDirectories(const std::string& path) = 0;

  virtual std::optional<std::uint32_t> GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, std::uint32_t attributes) = 0;

  // Modification time as an MS-DOS date and time (local time), the form ZIP
  // archives store. Setting it leaves the conversion of odd dates (such as
  // 30 February) to the platform.
  virtual bool SetDosDateTime(const std::string& path, std::uint32_t dosDateTime) = 0;
  virtual std::optional<std::uint32_t> GetDosDateTime(const std::string& path) = 0;
  // A value that changes whenever the file is rewritten (for cache checks).
  virtual std::optional<std::int64_t> ModificationStamp(const std::string& path) = 0;

  // Names of the files (not folders) directly inside a folder, hidden and
  // read-only ones included.
  virtual std::vector<std::string> ListFiles(const std::string& folder) = 0;

  virtual bool DeleteFile(const std::string& path) = 0;
  // Copies a file, replacing the target.
  virtual bool CopyFile(const std::string& from, const std::string& to) = 0;
  // The whole content of a file; nothing when it cannot be read or is
  // larger than maxBytes.
  std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes);
};

// The file system of the platform the program runs on.
FileSystem& Files();

}  // namespace kestro::platform
