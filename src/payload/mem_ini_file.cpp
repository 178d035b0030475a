#include "payload/mem_ini_file.h"

#include <utility>

#include "common/ansi.h"
#include "common/intparse.h"
#include "platform/api/files.h"

namespace kestro {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// [begin, end) of `text` without blanks and control characters at either end.
void TrimRange(std::string_view text, std::size_t& begin, std::size_t& end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
}

std::string_view Trim(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  TrimRange(text, b, e);
  return text.substr(b, e - b);
}

std::string OneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

// Length of the line end at `pos` (CR LF, LF or CR), 0 when there is none.
std::size_t LineEndAt(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return 0;
  if (text[pos] == '\n') return 1;
  if (text[pos] == '\r') return pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
  return 0;
}

}  // namespace

TMemIniFile::TMemIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  if (fileName_.empty()) return;
  if (auto text = platform::Files().ReadWholeFile(fileName_, kMaxFileSize)) {
    LoadFromText(*text);
  } else {
    unreadable_ = platform::Files().FileExists(fileName_);
  }
}

// The key index holds iterators into the line list; swapping lists keeps
// them valid, so moves are swaps.
TMemIniFile::TMemIniFile(TMemIniFile&& other) noexcept { swap(other); }

TMemIniFile& TMemIniFile::operator=(TMemIniFile&& other) noexcept {
  TMemIniFile taken(std::move(other));
  swap(taken);
  return *this;
}

void TMemIniFile::swap(TMemIniFile& other) noexcept {
  fileName_.swap(other.fileName_);
  lines_.swap(other.lines_);
  sections_.swap(other.sections_);
  sectionIndex_.swap(other.sectionIndex_);
  newline_.swap(other.newline_);
  std::swap(unreadable_, other.unreadable_);
}

namespace {
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
}  // namespace

void TMemIniFile::LoadFromText(std::string_view text) {
  lines_.clear();
  sections_.clear();
  sectionIndex_.clear();
  newline_ = "\r\n";
  unreadable_ = false;
  bool newlineSeen = false;
  SectionInfo* current = nullptr;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    const std::size_t lineEnd = LineEndAt(text, end);
    if (lineEnd != 0 && !newlineSeen) {
      newline_ = std::string(text.substr(end, lineEnd));
      newlineSeen = true;
    }
    const std::string_view raw = text.substr(pos, end + lineEnd - pos);
    const std::size_t contentEnd = end - pos;
    pos = end + lineEnd;

    // A file saved as UTF-8 by Notepad starts with a byte-order mark: the
    // first line is read after it (and written back with it).
    std::size_t b = raw.data() == text.data() && raw.starts_with(kUtf8Mark) ? kUtf8Mark.size() : 0;
    std::size_t e = contentEnd;
    TrimRange(raw, b, e);
    Line line;
    if (e - b >= 2 && raw[b] == '[' && raw[e - 1] == ']') {
      line.kind = LineKind::kHeader;
      line.nameBegin = static_cast<std::uint32_t>(b + 1);
      line.nameLength = static_cast<std::uint32_t>(e - b - 2);
    } else if (current != nullptr && e > b && raw[b] != ';') {
      const std::size_t eq = raw.substr(0, e).find('=', b);
      if (eq != std::string_view::npos) {
        std::size_t nb = b;
        std::size_t ne = eq;
        TrimRange(raw, nb, ne);
        std::size_t vb = eq + 1;
        std::size_t ve = e;
        TrimRange(raw, vb, ve);
        if (ve == vb) vb = ve = eq + 1;
        if (ne > nb) {
          line.kind = LineKind::kKey;
          line.nameBegin = static_cast<std::uint32_t>(nb);
          line.nameLength = static_cast<std::uint32_t>(ne - nb);
          line.valueBegin = static_cast<std::uint32_t>(vb);
          line.valueLength = static_cast<std::uint32_t>(ve - vb);
        }
      }
    }

    // Runs of lines that are never read are kept as one piece of text: a
    // file of blank lines costs one entry, not one per line.
    if (line.kind == LineKind::kOther && !lines_.empty() && lines_.back().kind == LineKind::kOther) {
      lines_.back().raw.append(raw);
      continue;
    }
    line.raw = std::string(raw);
    lines_.push_back(std::move(line));
    const LineIt it = std::prev(lines_.end());
    if (it->kind == LineKind::kHeader) {
      current = &AddSection(it->Name());
      current->headers.push_back(it);
    } else if (it->kind == LineKind::kKey) {
      AddKey(*current, it);
    }
  }
}

TMemIniFile::SectionInfo& TMemIniFile::AddSection(std::string_view name) {
  auto [hit, added] = sectionIndex_.try_emplace(AnsiUpperCase(name), sections_.size());
  if (added) {
    sections_.emplace_back();
    sections_.back().name = std::string(name);
  }
  return sections_[hit->second];
}

void TMemIniFile::AddKey(SectionInfo& section, LineIt line) {
  if (section.keys.try_emplace(AnsiUpperCase(line->Name()), line).second) {
    section.keyOrder.push_back(line);
  }
}

std::string TMemIniFile::ToText() const {
  std::size_t size = 0;
  for (const Line& line : lines_) size += line.raw.size();
  std::string out;
  out.reserve(size);
  for (const Line& line : lines_) out.append(line.raw);
  return out;
}

bool TMemIniFile::UpdateFile() const {
  if (unreadable_ || fileName_.empty()) return false;
  auto file = platform::Files().Open(fileName_, platform::OpenMode::kCreate);
  if (!file) return false;
  const std::string text = ToText();
  return file->Write(text.data(), text.size()) == text.size();
}

const TMemIniFile::SectionInfo* TMemIniFile::FindSection(std::string_view section) const {
  const auto hit = sectionIndex_.find(AnsiUpperCase(section));
  return hit == sectionIndex_.end() ? nullptr : &sections_[hit->second];
}

TMemIniFile::SectionInfo* TMemIniFile::FindSection(std::string_view section) {
  return const_cast<SectionInfo*>(std::as_const(*this).FindSection(section));
}

bool TMemIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

const TMemIniFile::Line* TMemIniFile::FindLine(std::string_view section, std::string_view key) const {
  const SectionInfo* info = FindSection(section);
  if (info == nullptr) return nullptr;
  const auto hit = info->keys.find(AnsiUpperCase(key));
  return hit == info->keys.end() ? nullptr : &*hit->second;
}

bool TMemIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindLine(section, key) != nullptr;
}

std::optional<std::string> TMemIniFile::Find(std::string_view section, std::string_view key) const {
  if (const Line* line = FindLine(section, key)) return std::string(line->Value());
  return std::nullopt;
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
  if (const Line* line = FindLine(section, key)) return std::string(line->Value());
  return std::string(fallback);
}

std::int32_t TMemIniFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t fallback) const {
  const Line* line = FindLine(section, key);
  if (line == nullptr) return fallback;
  return ParseIniInteger(line->Value()).value_or(fallback);
}

bool TMemIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

std::vector<std::string> TMemIniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  if (const SectionInfo* info = FindSection(section)) {
    keys.reserve(info->keyOrder.size());
    for (const LineIt& line : info->keyOrder) keys.emplace_back(line->Name());
  }
  return keys;
}

std::vector<std::string> TMemIniFile::ReadSections() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const SectionInfo& info : sections_) names.push_back(info.name);
  return names;
}

void TMemIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view keyText = Trim(key);
  if (keyText.empty() || keyText.front() == ';' || keyText.front() == '[' ||
      keyText.find_first_of("=\r\n") != std::string_view::npos) {
    return;
  }
  const std::string valueText = OneLine(Trim(value));
  const std::string sectionText = OneLine(section);

  SectionInfo* info = FindSection(sectionText);
  if (info != nullptr) {
    const auto hit = info->keys.find(AnsiUpperCase(keyText));
    if (hit != info->keys.end()) {
      Line& line = *hit->second;
      if (line.Value() == valueText) return;  // unchanged: the line stays byte for byte
      line.raw.replace(line.valueBegin, line.valueLength, valueText);
      line.valueLength = static_cast<std::uint32_t>(valueText.size());
      return;
    }
  }

  Line line;
  line.kind = LineKind::kKey;
  line.raw = std::string(keyText) + "=" + valueText + newline_;
  line.nameBegin = 0;
  line.nameLength = static_cast<std::uint32_t>(keyText.size());
  line.valueBegin = static_cast<std::uint32_t>(keyText.size() + 1);
  line.valueLength = static_cast<std::uint32_t>(valueText.size());

  if (info != nullptr) {
    // After the last key of the last section of that name (or its header).
    LineIt after = info->headers.back();
    for (LineIt it = std::next(after); it != lines_.end() && it->kind != LineKind::kHeader; ++it) {
      if (it->kind == LineKind::kKey) after = it;
    }
    if (!after->Ended()) after->raw.append(newline_);
    const LineIt added = lines_.insert(std::next(after), std::move(line));
    AddKey(*info, added);
    return;
  }

  // A new section at the end, set off by a blank line.
  if (!lines_.empty()) {
    Line& last = lines_.back();
    if (!last.Ended()) last.raw.append(newline_);
    // Is the last line of the file blank?
    const std::string_view text = last.raw;
    std::size_t n = text.size();
    n -= (n >= 2 && text[n - 2] == '\r' && text[n - 1] == '\n') ? 2 : 1;
    std::size_t start = n;
    while (start > 0 && text[start - 1] != '\n' && text[start - 1] != '\r') --start;
    if (!Trim(text.substr(start, n - start)).empty()) {
      if (last.kind == LineKind::kOther) {
        last.raw.append(newline_);
      } else {
        Line gap;
        gap.raw = newline_;
        lines_.push_back(std::move(gap));
      }
    }
  }
  Line header;
  header.kind = LineKind::kHeader;
  header.raw = "[" + sectionText + "]" + newline_;
  header.nameBegin = 1;
  header.nameLength = static_cast<std::uint32_t>(sectionText.size());
  lines_.push_back(std::move(header));
  SectionInfo& created = AddSection(sectionText);
  created.headers.push_back(std::prev(lines_.end()));
  lines_.push_back(std::move(line));
  AddKey(created, std::prev(lines_.end()));
}

void TMemIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TMemIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

}  // namespace kestro
