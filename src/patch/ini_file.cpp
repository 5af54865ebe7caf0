#include "patch/ini_file.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

namespace brelix {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Spaces, tabs and the other control characters at both ends go, as INI readers usually do.
std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Splits at CR LF, LF and lone CR.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// Adds `name` to the index at `place` unless it holds the name already; false then.
bool AddName(NameIndex& index, std::string_view name, size_t place) {
  if (index.find(name) != index.end()) return false;
  index.emplace(std::string(name), place);
  return true;
}

}  // namespace

size_t NameHash::operator()(std::string_view name) const {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a over the lower-case bytes
  for (char c : name) {
    hash ^= static_cast<uint8_t>(LowerAscii(c));
    hash *= 1099511628211ull;
  }
  return static_cast<size_t>(hash);
}

bool NameEqual::operator()(std::string_view a, std::string_view b) const { return SameName(a, b); }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

TIniFile::TIniFile(std::string fileName) : file_name_(std::move(fileName)) {
  if (std::optional<std::string> bytes = ReadWholeFile(file_name_, kMaxFileBytes)) LoadFromBytes(*bytes);
}

void TIniFile::LoadFromBytes(std::string_view bytes) {
  DecodedText decoded = DecodeText(bytes);
  // A zero byte never occurs in text of an 8-bit code page or UTF-8: this is some other file,
  // and rewriting it as INI text would destroy it.
  if (decoded.encoding != TextEncoding::Utf16LE && decoded.encoding != TextEncoding::Utf16BE &&
      decoded.text.find('\0') != std::string::npos)
    throw FileError("it is not a text file");
  encoding_ = decoded.encoding;
  preamble_.clear();
  sections_.clear();
  section_index_.clear();
  Parse(decoded.text);
}

void TIniFile::Parse(std::string_view text) {
  Section* current = nullptr;
  int number = 0;
  for (std::string_view raw : SplitLines(text)) {
    ++number;
    const std::string_view line = Trim(raw);
    if (line.empty()) continue;  // the writer puts its own empty lines back
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string_view name = Trim(line.substr(1, line.size() - 2));
      current = FindSection(name);
      if (current == nullptr) current = &AddSection(name, number);
      continue;
    }
    Line entry;
    entry.number = number;
    const size_t equals = line.find('=');
    if (line.front() != ';' && equals != std::string_view::npos) {
      entry.is_key = true;
      entry.name = Trim(line.substr(0, equals));
      entry.value = Trim(line.substr(equals + 1));
    } else {
      entry.name = line;
    }
    if (current == nullptr)
      preamble_.push_back(entry.is_key ? std::string(line) : entry.name);
    else
      current->AddLine(std::move(entry));
  }
}

std::string TIniFile::SaveToBytes() const {
  std::string text;
  for (const std::string& line : preamble_) text.append(line).append(kLineEnd);
  if (!preamble_.empty()) text.append(kLineEnd);
  for (const Section& section : sections_) {
    text.append("[").append(section.name).append("]").append(kLineEnd);
    for (const Line& line : section.lines) {
      text.append(line.name);
      if (line.is_key) text.append("=").append(line.value);
      text.append(kLineEnd);
    }
    text.append(kLineEnd);
  }
  // A file without a byte-order mark whose text now starts like one (its first line lost the
  // spaces before such bytes) would be read back in another encoding: an empty comment line in
  // front keeps it what it is.
  if (encoding_ == TextEncoding::Bytes && DecodeText(text).encoding != TextEncoding::Bytes)
    text.insert(0, std::string(";").append(kLineEnd));
  return EncodeText(encoding_, text);
}

void TIniFile::UpdateFile() const { ReplaceFile(file_name_, SaveToBytes()); }

void TIniFile::Section::AddLine(Line line) {
  if (line.is_key && !AddName(first_key, line.name, lines.size())) repeated_keys = true;
  lines.push_back(std::move(line));
}

void TIniFile::Section::IndexKeys() {
  first_key.clear();
  repeated_keys = false;
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].is_key && !AddName(first_key, lines[i].name, i)) repeated_keys = true;
}

const TIniFile::Section* TIniFile::FindSection(std::string_view name) const {
  const auto found = section_index_.find(name);
  return found != section_index_.end() ? &sections_[found->second] : nullptr;
}

TIniFile::Section* TIniFile::FindSection(std::string_view name) {
  return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

TIniFile::Section& TIniFile::AddSection(std::string_view name, int number) {
  AddName(section_index_, name, sections_.size());
  Section& section = sections_.emplace_back();
  section.name = name;
  section.number = number;
  return section;
}

std::optional<std::string> TIniFile::ReadValue(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  const auto found = s->first_key.find(key);
  if (found == s->first_key.end()) return std::nullopt;
  return s->lines[found->second].value;
}

void TIniFile::WriteValue(std::string_view section, std::string_view key, std::string_view raw_value) {
  // A line break in a value (a file name can hold one) would end the line and let the rest be
  // read as keys of their own.
  std::string value(raw_value);
  std::erase_if(value, [](char c) { return c == '\r' || c == '\n'; });
  Section* s = FindSection(section);
  if (s == nullptr) s = &AddSection(section, 0);
  const auto found = s->first_key.find(key);
  if (found == s->first_key.end()) {
    s->AddLine(Line{true, std::string(key), std::move(value)});
    return;
  }
  const auto first = s->lines.begin() + static_cast<std::ptrdiff_t>(found->second);
  first->name = key;
  first->value = std::move(value);
  if (!s->repeated_keys) return;
  // Later keys of the same name go; the places of the lines after them change.
  const auto same_key = [&](const Line& line) { return line.is_key && SameName(line.name, key); };
  const auto end = std::remove_if(first + 1, s->lines.end(), same_key);
  if (end == s->lines.end()) return;
  s->lines.erase(end, s->lines.end());
  s->IndexKeys();
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

std::vector<std::string> TIniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& section : sections_) names.push_back(section.name);
  return names;
}

std::vector<TIniFile::KeyLine> TIniFile::KeyLines() const {
  std::vector<KeyLine> keys;
  for (const Section& section : sections_)
    for (const Line& line : section.lines)
      if (line.is_key) keys.push_back(KeyLine{section.name, line.name, line.value, line.number});
  return keys;
}

std::vector<TIniFile::TextLine> TIniFile::UnreadLines() const {
  std::vector<TextLine> lines;
  for (const Section& section : sections_) {
    for (const Line& line : section.lines) {
      if (!line.is_key && line.number > 0 && !line.name.starts_with(';')) lines.push_back({line.number, line.name});
    }
  }
  return lines;
}

bool TIniFile::HoldsOnlyIniLines() const {
  // A line above the first section is kept as its text: a key there is one with "=".
  const auto understood = [](const std::string& line) { return line.starts_with(';') || line.find('=') != std::string::npos; };
  return std::all_of(preamble_.begin(), preamble_.end(), understood) && UnreadLines().empty();
}

std::vector<std::string> TIniFile::LeadingComments() const {
  std::vector<std::string> comments;
  std::copy_if(preamble_.begin(), preamble_.end(), std::back_inserter(comments),
               [](const std::string& line) { return line.starts_with(';'); });
  return comments;
}

void TIniFile::SetLeadingComments(const std::vector<std::string>& comments) {
  std::erase_if(preamble_, [](const std::string& line) { return line.starts_with(';'); });
  preamble_.insert(preamble_.begin(), comments.begin(), comments.end());
}

int TIniFile::SectionLine(std::string_view section) const {
  const Section* s = FindSection(section);
  return s != nullptr ? s->number : 0;
}

}  // namespace brelix
