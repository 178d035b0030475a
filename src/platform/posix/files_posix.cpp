#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <utime.h>

#include <cerrno>
#include <ctime>

#include "common/paths.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

class PosixFile final : public FileStream {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override {
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
      const ssize_t n = ::read(fd_, out + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }

  std::size_t Write(const void* buffer, std::size_t count) override {
    std::size_t done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < count) {
      const ssize_t n = ::write(fd_, in + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }

  bool Seek(std::uint64_t position) override {
    return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) != static_cast<off_t>(-1);
  }

  std::uint64_t Position() override {
    const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
    return pos < 0 ? 0 : static_cast<std::uint64_t>(pos);
  }

  std::uint64_t Size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
  }

 private:
  int fd_;
};

bool StatPath(const std::string& path, struct stat* st) { return ::stat(path.c_str(), st) == 0; }

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode) override {
    int fd = -1;
    if (mode == OpenMode::kCreate) {
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } else {
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
          ::close(fd);
          return nullptr;
        }
      }
    }
    if (fd < 0) return nullptr;
    return std::make_unique<PosixFile>(fd);
  }

  bool FileExists(const std::string& path) override {
    struct stat st {};
    return StatPath(path, &st) && !S_ISDIR(st.st_mode);
  }

  bool DirectoryExists(const std::string& path) override {
    struct stat st {};
    return StatPath(path, &st) && S_ISDIR(st.st_mode);
  }

  bool CreateDirectories(const std::string& path) override {
    if (path.empty()) return false;
    if (DirectoryExists(path)) return true;
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    if (slash != std::string::npos && slash > 0) CreateDirectories(trimmed.substr(0, slash));
    if (::mkdir(trimmed.c_str(), 0777) == 0) return true;
    return DirectoryExists(trimmed);
  }

  std::optional<std::uint32_t> GetAttributes(const std::string& path) override {
    struct stat st {};
    if (!StatPath(path, &st)) return std::nullopt;
    std::uint32_t attrs = 0;
    if (S_ISDIR(st.st_mode)) attrs |= kAttrDirectory;
    if ((st.st_mode & S_IWUSR) == 0) attrs |= kAttrReadOnly;
    if (ExtractFileName(path).rfind('.', 0) == 0) attrs |= kAttrHidden;
    if (attrs == 0) attrs = kAttrArchive;
    return attrs;
  }

  bool SetAttributes(const std::string& path, std::uint32_t attributes) override {
    struct stat st {};
    if (!StatPath(path, &st)) return false;
    mode_t mode = st.st_mode & 07777;
    if ((attributes & kAttrReadOnly) != 0) {
      mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    } else {
      mode |= S_IWUSR;
    }
    return ::chmod(path.c_str(), mode) == 0;
  }

  bool SetDosDateTime(const std::string& path, std::uint32_t dos) override {
    struct tm t {};
    t.tm_sec = static_cast<int>((dos & 0x1F) * 2);
    t.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    t.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    t.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    t.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
    t.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
    t.tm_isdst = -1;
    const time_t when = ::mktime(&t);  // normalises odd dates such as 30 February
    if (when == static_cast<time_t>(-1)) return false;
    struct utimbuf times {};
    times.actime = when;
    times.modtime = when;
    return ::utime(path.c_str(), &times) == 0;
  }

  std::optional<std::uint32_t> GetDosDateTime(const std::string& path) override {
    struct stat st {};
    if (!StatPath(path, &st)) return std::nullopt;
    struct tm t {};
    const time_t when = st.st_mtime;
    if (::localtime_r(&when, &t) == nullptr || t.tm_year < 80) return std::nullopt;
    return (static_cast<std::uint32_t>(t.tm_year - 80) << 25) |
           (static_cast<std::uint32_t>(t.tm_mon + 1) << 21) |
           (static_cast<std::uint32_t>(t.tm_mday) << 16) |
           (static_cast<std::uint32_t>(t.tm_hour) << 11) |
           (static_cast<std::uint32_t>(t.tm_min) << 5) | static_cast<std::uint32_t>(t.tm_sec / 2);
  }

  std::optional<std::int64_t> ModificationStamp(const std::string& path) override {
    struct stat st {};
    if (!StatPath(path, &st)) return std::nullopt;
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  }

  std::vector<std::string> ListFiles(const std::string& folder) override {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      struct stat st {};
      if (::lstat(JoinPath(folder, name).c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        names.push_back(name);
      }
    }
    ::closedir(dir);
    return names;
  }

  bool DeleteFile(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

  bool CopyFile(const std::string& from, const std::string& to) override {
    auto in = Open(from, OpenMode::kReadShared);
    if (!in) return false;
    auto out = Open(to, OpenMode::kCreate);
    if (!out) return false;
    char buffer[65536];
    while (true) {
      const std::size_t n = in->Read(buffer, sizeof buffer);
      if (n == 0) break;
      if (out->Write(buffer, n) != n) return false;
    }
    return true;
  }
};

}  // namespace

std::unique_ptr<FileSystem> CreateNativeFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace kestro::platform
