#pragma once
// REGEDIT4 text: the parsed form of one hive file, and its edits.
//
// The document remembers every physical line it was read from; an edit
// replaces only the lines of the value it touches, so comments, unknown and
// broken lines and other keys come back out as they went in.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

// One value as the registry interface sees it: strings (REG_SZ and
// REG_EXPAND_SZ) are narrow text with their terminating zero byte.
struct RegValue {
  std::string name;  // empty for the key's default value ("@")
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

class RegDocument {
 public:
  // Never fails: whatever is not understood is kept as it stands.
  static RegDocument Parse(std::string_view text);
  std::string Serialize() const;

  bool HasSection(std::string_view section) const;
  // The last definition of the value in any copy of the section.
  std::optional<RegValue> Find(std::string_view section, std::string_view name) const;
  // Adds an empty section when there is none; false when it was there.
  bool EnsureSection(std::string_view section);
  // Replaces the value's lines, or adds it to the last copy of its section
  // (made when missing) after its last line that does not continue.
  void Set(std::string_view section, const RegValue& value);

 private:
  enum class Kind { Other, Section, Value };
  struct Entry {
    Kind kind = Kind::Other;
    std::vector<std::string> lines;  // physical lines without their line ends
    std::string section;             // the section's name, for Kind::Section
    RegValue value;                  // for Kind::Value
  };
  // Where a value added to the section starting at header goes: after its
  // last non-blank line that does not continue onto the next.
  size_t EndOfSection(size_t header) const;
  // Adds an empty section; returns the index of its header.
  size_t AppendSection(std::string_view section);

  std::vector<Entry> entries_;
  bool crlf_ = false;
};

// The file lines for one value, wrapped like regedit wraps long hex lists.
std::vector<std::string> FormatRegValue(const RegValue& value);
// A value line (with its continuation lines joined); nothing when broken.
std::optional<RegValue> ParseRegValue(std::string_view line);

// REG_EXPAND_SZ is kept in files as UTF-16LE, as regedit writes it.
std::vector<uint8_t> NarrowToUtf16le(const std::vector<uint8_t>& narrow);
std::vector<uint8_t> Utf16leToNarrow(const std::vector<uint8_t>& utf16);

}  // namespace velmo
