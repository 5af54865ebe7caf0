// TIniFile: an INI file held in memory. The whole file is read when it is opened and written back
// as a whole; sections, keys, comments and lines it does not understand keep their order and text
// on rewrite, and names are matched without regard to ASCII letter case.
//
// Text form: "[name]" opens a section, "key=value" sets a key (spaces and control characters
// around the name and the value are dropped), a line starting with ";" is a comment; lines are
// written with CR LF and an empty line after every section. A file that starts with a UTF-8 or
// UTF-16 byte-order mark is read in that encoding and written back in it, with its mark; any
// other file, and a new one, is taken byte for byte (file names on this system are bytes, usually
// UTF-8). Byte sequences that are not UTF-8 survive a UTF-16 file too: each such byte is kept as
// the lone surrogate U+DC80..U+DCFF.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "patch/file_io.h"
#include "patch/text_encoding.h"

namespace brelix {

// Case-insensitive hashing and comparison of ASCII names, so that an index can be searched with
// any spelling of a name without making a lower-case copy of it.
struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view name) const;
};
struct NameEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};
using NameIndex = std::unordered_map<std::string, size_t, NameHash, NameEqual>;

class TIniFile {
 public:
  // Patch and settings files are a few tens of kilobytes; anything far larger is not one.
  static constexpr size_t kMaxFileBytes = 4u << 20;

  TIniFile() = default;
  // Reads the file; none of that name gives an empty file that a write creates. Throws FileError
  // for a name that is not a regular file, a file that cannot be read, one larger than
  // kMaxFileBytes, or one that is not text (zero bytes outside a UTF-16 file).
  explicit TIniFile(std::string fileName);

  // The text of a file as it would be read from disk (byte-order mark included).
  void LoadFromBytes(std::string_view bytes);
  // The text the file writes back.
  std::string SaveToBytes() const;
  // Writes the file back (see ReplaceFile: the old file stays whole when the write fails).
  void UpdateFile() const;

  const std::string& FileName() const { return file_name_; }
  TextEncoding Encoding() const { return encoding_; }

  // The value of the first key of that name in the section, or none.
  std::optional<std::string> ReadValue(std::string_view section, std::string_view key) const;
  // Sets the first key of that name (later ones of the same name go), or appends the key to the
  // section, or appends the section to the file. Line breaks in the value are dropped.
  void WriteValue(std::string_view section, std::string_view key, std::string_view value);
  bool SectionExists(std::string_view section) const;
  std::vector<std::string> SectionNames() const;
  // The lines above the first section (a patch's leading comment), trimmed, empty ones left out.
  const std::vector<std::string>& Preamble() const { return preamble_; }

  // Where the text that was read put a section or a key: line numbers count from 1; a section or
  // key added since the file was read has line 0.
  struct KeyLine {
    std::string section;
    std::string key;
    std::string value;
    int line = 0;
  };
  // Every key of every section, sections in file order (a repeated section joins the first), keys
  // in their order within the section; keys above the first section belong to none and are left
  // out.
  std::vector<KeyLine> KeyLines() const;
  // The line of the section's first heading, 0 when it has none.
  int SectionLine(std::string_view section) const;
  // The lines inside sections that are neither a key with "=", a comment (";") nor empty: what
  // the reader keeps as text and reads nothing from. Line numbers as in KeyLines.
  struct TextLine {
    int line = 0;
    std::string text;
  };
  std::vector<TextLine> UnreadLines() const;
  // True when every line of the text read is empty, a comment, a section heading or a key with
  // "=" (before the first section too): an INI text with nothing else in it.
  bool HoldsOnlyIniLines() const;

  // The comment lines above the first section (a file's description), and putting others there
  // in their place (the lines before the first section that are no comments stay).
  std::vector<std::string> LeadingComments() const;
  void SetLeadingComments(const std::vector<std::string>& comments);

 private:
  // A key line (name and value) or any other line of a section, kept as its trimmed text.
  struct Line {
    bool is_key = false;
    std::string name;  // the key, or the whole line
    std::string value;
    int number = 0;  // in the text that was read; 0 when added since
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
    int number = 0;  // the line of its first heading
    // The first line of each key, by its name in any case, so that finding a key does not walk
    // the section; and whether some key occurs more than once.
    NameIndex first_key;
    bool repeated_keys = false;

    void AddLine(Line line);
    void IndexKeys();
  };

  void Parse(std::string_view text);
  const Section* FindSection(std::string_view name) const;
  Section* FindSection(std::string_view name);
  Section& AddSection(std::string_view name, int number);

  std::string file_name_;
  TextEncoding encoding_ = TextEncoding::Bytes;
  std::vector<std::string> preamble_;  // lines before the first section
  std::vector<Section> sections_;      // one per name: a repeated section joins the first
  // Each section's place in sections_ by its name in any case: reading stays linear in the size
  // of the file however many sections it holds.
  NameIndex section_index_;
};

// Case-insensitive comparison of ASCII names.
bool SameName(std::string_view a, std::string_view b);

}  // namespace brelix
