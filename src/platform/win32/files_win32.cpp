#include <windows.h>
// The interface's own names, not the ANSI/wide switch of the Windows headers.
#undef CopyFile
#undef DeleteFile

#include "common/paths.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

class Win32File final : public FileStream {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override { CloseHandle(handle_); }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override {
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(handle_, out + done, ask, &got, nullptr) || got == 0) break;
      done += got;
    }
    return done;
  }

  std::size_t Write(const void* buffer, std::size_t count) override {
    std::size_t done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < count) {
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
      DWORD put = 0;
      if (!WriteFile(handle_, in + done, ask, &put, nullptr) || put == 0) break;
      done += put;
    }
    return done;
  }

  bool Seek(std::uint64_t position) override {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0;
  }

  std::uint64_t Position() override {
    LARGE_INTEGER zero{}, now{};
    if (!SetFilePointerEx(handle_, zero, &now, FILE_CURRENT)) return 0;
    return static_cast<std::uint64_t>(now.QuadPart);
  }

  std::uint64_t Size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size)) return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
  }

 private:
  HANDLE handle_;
};

bool IsDirectoryAttr(DWORD attrs) {
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode) override {
    HANDLE h = INVALID_HANDLE_VALUE;
    switch (mode) {
      case OpenMode::kReadShared:
        h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        break;
      case OpenMode::kReadDenyWrite:
        h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        break;
      case OpenMode::kCreate:
        h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        break;
    }
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(h);
  }

  bool FileExists(const std::string& path) override {
    const DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  bool DirectoryExists(const std::string& path) override {
    return IsDirectoryAttr(GetFileAttributesA(path.c_str()));
  }

  bool CreateDirectories(const std::string& path) override {
    if (path.empty()) return false;
    std::string trimmed = path;
    while (trimmed.size() > 3 && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
    if (DirectoryExists(trimmed)) return true;
    const std::size_t slash = trimmed.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0) CreateDirectories(trimmed.substr(0, slash + 1));
    if (CreateDirectoryA(trimmed.c_str(), nullptr)) return true;
    return DirectoryExists(trimmed);
  }

  std::optional<std::uint32_t> GetAttributes(const std::string& path) override {
    const DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return static_cast<std::uint32_t>(attrs);
  }

  bool SetAttributes(const std::string& path, std::uint32_t attributes) override {
    return SetFileAttributesA(path.c_str(), attributes) != 0;
  }

  bool SetDosDateTime(const std::string& path, std::uint32_t dos) override {
    FILETIME local{}, utc{};
    if (!DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos & 0xFFFF), &local)) {
      return false;
    }
    if (!LocalFileTimeToFileTime(&local, &utc)) return false;
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = SetFileTime(h, nullptr, nullptr, &utc);
    CloseHandle(h);
    return ok != 0;
  }

  std::optional<std::uint32_t> GetDosDateTime(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    FILETIME local{};
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time)) {
      return std::nullopt;
    }
    return (static_cast<std::uint32_t>(date) << 16) | time;
  }

  std::optional<std::int64_t> ModificationStamp(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
  }

  std::vector<std::string> ListFiles(const std::string& folder) override {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE h = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.emplace_back(found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return names;
  }

  bool DeleteFile(const std::string& path) override { return ::DeleteFileA(path.c_str()) != 0; }

  bool CopyFile(const std::string& from, const std::string& to) override {
    return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
  }
};

}  // namespace

std::unique_ptr<FileSystem> CreateNativeFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace kestro::platform
