#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestro {

// An INI file held in memory.
//
// Reading: lines end with CR LF, LF or a lone CR. A line "[name]" (blanks
// around it ignored) starts a section; a line holding "=" is a key, the text
// before the first "=" its name and the text after it its value, both with
// surrounding blanks and control characters trimmed. Lines starting with ";",
// lines without "=", lines with an empty name and key lines before the first
// section are kept but never read. Section and key names compare without
// regard to case; the first line of a key is the one that counts, and
// sections of the same name read as one.
//
// Writing changes only the lines of the keys written (a new key goes after
// the last key of its section, a new section at the end): every other line,
// known or not, goes back to the file byte for byte, line ends included.
class TMemIniFile {
 public:
  // Files larger than this are not read: the store stays empty and refuses
  // to write back over the file.
  static constexpr std::size_t kMaxFileSize = 16u << 20;

  TMemIniFile() = default;
  // Opens the store on a file; a missing or unreadable file gives an empty store.
  explicit TMemIniFile(std::string fileName);

  TMemIniFile(TMemIniFile&& other) noexcept;
  TMemIniFile& operator=(TMemIniFile&& other) noexcept;
  TMemIniFile(const TMemIniFile&) = delete;
  TMemIniFile& operator=(const TMemIniFile&) = delete;
  void swap(TMemIniFile& other) noexcept;

  const std::string& FileName() const { return fileName_; }
  void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }

  void LoadFromText(std::string_view text);
  std::string ToText() const;
  // Writes the whole store to FileName; false when the file cannot be
  // written, or when it existed but was too large or unreadable to load.
  bool UpdateFile() const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // The value's text, or nothing when the key is absent.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // Decimal, or hexadecimal with "0x"; anything else gives the fallback.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t fallback) const;
  // An integer, nonzero meaning true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  // The keys of a section, in file order (each name once, as first written).
  std::vector<std::string> ReadSection(std::string_view section) const;
  // The section names, in file order (each name once).
  std::vector<std::string> ReadSections() const;

  // Line breaks inside a value become blanks. A key that could not be read
  // back as written (empty, holding "=" or a line break, or starting with
  // ";" or "[") is not written.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  enum class LineKind : std::uint8_t { kOther, kHeader, kKey };
  struct Line {
    std::string raw;                 // as in the file, line end included
    std::uint32_t nameBegin = 0;     // section name (header) or key name, within raw
    std::uint32_t nameLength = 0;
    std::uint32_t valueBegin = 0;    // key lines: the trimmed value, within raw
    std::uint32_t valueLength = 0;
    LineKind kind = LineKind::kOther;

    std::string_view Name() const { return std::string_view(raw).substr(nameBegin, nameLength); }
    std::string_view Value() const { return std::string_view(raw).substr(valueBegin, valueLength); }
    bool Ended() const { return !raw.empty() && (raw.back() == '\n' || raw.back() == '\r'); }
  };
  using LineIt = std::list<Line>::iterator;
  struct SectionInfo {
    std::string name;                                   // as first written
    std::vector<LineIt> headers;                        // every header of this name, file order
    std::unordered_map<std::string, LineIt> keys;       // upper-cased key -> its first line
    std::vector<LineIt> keyOrder;                       // first line of each key, file order
  };

  const Line* FindLine(std::string_view section, std::string_view key) const;
  SectionInfo* FindSection(std::string_view section);
  const SectionInfo* FindSection(std::string_view section) const;
  SectionInfo& AddSection(std::string_view name);
  void AddKey(SectionInfo& section, LineIt line);

  std::string fileName_;
  std::list<Line> lines_;
  std::vector<SectionInfo> sections_;                         // in order of first header
  std::unordered_map<std::string, std::size_t> sectionIndex_; // upper-cased name -> sections_
  std::string newline_ = "\r\n";                              // line end of new lines
  bool unreadable_ = false;                                   // the file exists but was not loaded
};

}  // namespace kestro
