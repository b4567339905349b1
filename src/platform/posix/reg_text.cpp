#include "platform/posix/reg_text.h"

#include <cctype>
#include <cstdio>

#include "platform/registry.h"
#include "platform/text.h"

namespace velmo {
namespace {

bool IStartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsIgnoringCase(s.substr(0, prefix.size()), prefix);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to 8 hex digits and nothing else.
std::optional<uint32_t> ParseHex32(std::string_view s) {
  if (s.empty() || s.size() > 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  return v;
}

// A quoted string starting at s[0] == '"', with \\ and \" escapes. Moves s
// past the closing quote.
std::optional<std::string> ParseQuoted(std::string_view& s) {
  std::string out;
  size_t i = 1;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') break;
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) ++i;
    out.push_back(s[i]);
  }
  if (i >= s.size()) return std::nullopt;
  s.remove_prefix(i + 1);
  return out;
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

// Comma-separated bytes; continuation backslashes are already removed.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view list) {
  std::vector<uint8_t> bytes;
  list = Trim(list);
  if (list.empty()) return bytes;
  while (true) {
    const size_t comma = list.find(',');
    const std::string_view token = Trim(list.substr(0, comma));
    if (token.empty()) {
      // Only a trailing comma may leave an empty item.
      if (comma == std::string_view::npos && !bytes.empty()) return bytes;
      return std::nullopt;
    }
    if (token.size() > 2) return std::nullopt;
    const auto v = ParseHex32(token);
    if (!v) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(*v));
    if (comma == std::string_view::npos) return bytes;
    list.remove_prefix(comma + 1);
  }
}

// A REG_SZ that fits a quoted string: one terminating zero, no other zero,
// no line break.
bool PlainString(const std::vector<uint8_t>& data) {
  if (data.empty() || data.back() != 0) return false;
  for (size_t i = 0; i + 1 < data.size(); ++i)
    if (data[i] == 0 || data[i] == '\n' || data[i] == '\r') return false;
  return true;
}

bool IsBlank(const std::vector<std::string>& lines) {
  return lines.size() == 1 && Trim(lines[0]).empty();
}

// A line ending in a backslash asks for the next one to be read with it.
bool Continues(const std::vector<std::string>& lines) {
  const std::string_view last = Trim(lines.back());
  return !last.empty() && last.back() == '\\';
}

// The name part of a value line and the position of its '='; nothing when
// the line is not a value line.
std::optional<std::string> ParseName(std::string_view& s) {
  std::string name;
  if (!s.empty() && s[0] == '@') {
    s.remove_prefix(1);
  } else if (!s.empty() && s[0] == '"') {
    auto quoted = ParseQuoted(s);
    if (!quoted) return std::nullopt;
    name = std::move(*quoted);
  } else {
    return std::nullopt;
  }
  s = Trim(s);
  if (s.empty() || s[0] != '=') return std::nullopt;
  s.remove_prefix(1);
  s = Trim(s);
  return name;
}

// What follows a value or a header: nothing, or a comment.
bool BlankOrComment(std::string_view rest) {
  rest = Trim(rest);
  return rest.empty() || rest[0] == ';';
}

// A value's data up to a "; comment", which regedit allows after it.
std::string_view WithoutComment(std::string_view data) { return data.substr(0, data.find(';')); }

// "[name]", optionally followed by a "; comment". A name may itself hold ']',
// so the header ends at the first ']' that only blanks or a comment follow.
std::optional<std::string> ParseSectionHeader(std::string_view trimmed) {
  if (trimmed.empty() || trimmed[0] != '[') return std::nullopt;
  for (size_t close = trimmed.find(']'); close != std::string_view::npos; close = trimmed.find(']', close + 1)) {
    if (BlankOrComment(trimmed.substr(close + 1))) return std::string(Trim(trimmed.substr(1, close - 1)));
  }
  return std::nullopt;
}

}  // namespace

// Each byte that is not part of good UTF-8 turns into U+FFFD; a leading
// byte order mark is dropped.
std::vector<uint8_t> NarrowToUtf16le(const std::vector<uint8_t>& narrow) {
  std::vector<uint8_t> out;
  out.reserve(narrow.size() * 2);
  auto unit = [&out](uint32_t u) {
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
  };
  const size_t n = narrow.size();
  size_t i = n >= 3 && narrow[0] == 0xEF && narrow[1] == 0xBB && narrow[2] == 0xBF ? 3 : 0;
  auto continuation = [&](size_t at) { return (narrow[at] & 0xC0) == 0x80; };
  while (i < n) {
    const uint8_t b = narrow[i++];
    if (b < 0x80) {
      unit(b);
      continue;
    }
    // A lead byte, the bytes it needs after it and the least it may encode;
    // overlong forms, surrogates and code points past U+10FFFF are bad.
    size_t more = 0;
    uint32_t c = 0, least = 0;
    if (b >= 0xC2 && b < 0xE0) {
      more = 1, c = b & 0x1F, least = 0x80;
    } else if (b >= 0xE0 && b < 0xF0) {
      more = 2, c = b & 0x0F, least = 0x800;
    } else if (b >= 0xF0 && b < 0xF5) {
      more = 3, c = b & 0x07, least = 0x10000;
    }
    bool good = more > 0 && i + more <= n;
    for (size_t k = 0; good && k < more; ++k) {
      good = continuation(i + k);
      c = (c << 6) | (narrow[i + k] & 0x3F);
    }
    if (!good || c < least || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
      unit(0xFFFD);  // the bytes after the bad one are read afresh
      continue;
    }
    i += more;
    if (c >= 0x10000) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
  }
  return out;
}

// A leading byte order mark is dropped, and a swapped one says the rest is
// big-endian; a surrogate without its partner becomes '?'; an odd last byte
// is dropped.
std::vector<uint8_t> Utf16leToNarrow(const std::vector<uint8_t>& utf16) {
  std::vector<uint8_t> out;
  out.reserve(utf16.size());
  const size_t units = utf16.size() / 2;
  bool swapped = false;
  auto at = [&](size_t k) {
    const uint32_t lo = utf16[2 * k], hi = utf16[2 * k + 1];
    return swapped ? (lo << 8) | hi : (hi << 8) | lo;
  };
  size_t first = 0;
  if (units > 0 && (at(0) == 0xFEFF || at(0) == 0xFFFE)) {
    swapped = at(0) == 0xFFFE;
    first = 1;
  }
  for (size_t k = first; k < units; ++k) {
    uint32_t c = at(k);
    if (c >= 0xD800 && c < 0xE000) {
      if (c >= 0xDC00 || k + 1 == units || at(k + 1) < 0xDC00 || at(k + 1) >= 0xE000) {
        out.push_back('?');
        continue;
      }
      c = 0x10000 + ((c - 0xD800) << 10) + (at(++k) - 0xDC00);
    }
    if (c < 0x80) {
      out.push_back(static_cast<uint8_t>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<uint8_t>(0xC0 | (c >> 6)));
      out.push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<uint8_t>(0xE0 | (c >> 12)));
      out.push_back(static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<uint8_t>(0xF0 | (c >> 18)));
      out.push_back(static_cast<uint8_t>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::vector<std::string> FormatRegValue(const RegValue& value) {
  const std::string name = value.name.empty() ? "@" : Quote(value.name);
  if (value.type == REG_SZ && PlainString(value.data)) {
    return {name + "=" + Quote(std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                                value.data.size() - 1))};
  }
  if (value.type == REG_DWORD && value.data.size() == 4) {
    char digits[16];
    const uint32_t v = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                       (static_cast<uint32_t>(value.data[3]) << 24);
    std::snprintf(digits, sizeof digits, "%08x", v);
    return {name + "=dword:" + digits};
  }
  std::string prefix;
  std::vector<uint8_t> bytes = value.data;
  if (value.type == REG_BINARY) {
    prefix = "hex:";
  } else {
    char type[24];
    std::snprintf(type, sizeof type, "hex(%x):", value.type);
    prefix = type;
    if (value.type == REG_EXPAND_SZ) bytes = NarrowToUtf16le(value.data);
  }
  std::vector<std::string> lines;
  std::string line = name + "=" + prefix;
  for (size_t i = 0; i < bytes.size(); ++i) {
    char token[4];
    std::snprintf(token, sizeof token, i + 1 < bytes.size() ? "%02x," : "%02x", bytes[i]);
    if (i > 0 && line.size() + 3 > 77) {
      lines.push_back(line + "\\");
      line = "  ";
    }
    line += token;
  }
  lines.push_back(line);
  return lines;
}

std::optional<RegValue> ParseRegValue(std::string_view line) {
  std::string_view s = Trim(line);
  auto name = ParseName(s);
  if (!name) return std::nullopt;
  RegValue value;
  value.name = std::move(*name);
  if (!s.empty() && s[0] == '"') {
    auto text = ParseQuoted(s);
    if (!text || !BlankOrComment(s)) return std::nullopt;
    value.type = REG_SZ;
    value.data.assign(text->begin(), text->end());
    value.data.push_back(0);
    return value;
  }
  if (IStartsWith(s, "dword:")) {
    const auto v = ParseHex32(Trim(WithoutComment(s.substr(6))));
    if (!v) return std::nullopt;
    value.type = REG_DWORD;
    value.data = {static_cast<uint8_t>(*v), static_cast<uint8_t>(*v >> 8), static_cast<uint8_t>(*v >> 16),
                  static_cast<uint8_t>(*v >> 24)};
    return value;
  }
  if (IStartsWith(s, "hex:")) {
    value.type = REG_BINARY;
    s.remove_prefix(4);
  } else if (IStartsWith(s, "hex(")) {
    const size_t close = s.find("):");
    if (close == std::string_view::npos) return std::nullopt;
    const auto type = ParseHex32(s.substr(4, close - 4));
    if (!type) return std::nullopt;
    value.type = *type;
    s.remove_prefix(close + 2);
  } else {
    return std::nullopt;
  }
  auto bytes = ParseHexBytes(WithoutComment(s));
  if (!bytes) return std::nullopt;
  value.data = value.type == REG_EXPAND_SZ ? Utf16leToNarrow(*bytes) : std::move(*bytes);
  return value;
}

RegDocument RegDocument::Parse(std::string_view text) {
  std::vector<std::string> lines;
  RegDocument doc;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    std::string_view line = text.substr(start, end - start);
    // Every carriage return at the end belongs to the line end (editors and
    // transfers double them); kept, a save would turn one into a line break.
    if (!line.empty() && line.back() == '\r') {
      while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (lines.empty()) doc.crlf_ = true;
    }
    lines.emplace_back(line);
    start = end + 1;
  }

  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    Entry entry;
    entry.lines.push_back(lines[i]);
    const std::string_view trimmed = Trim(lines[i]);
    if (auto section = ParseSectionHeader(trimmed)) {
      entry.kind = Kind::Section;
      entry.section = std::move(*section);
      inSection = true;
    } else if (inSection && !trimmed.empty() && (trimmed[0] == '"' || trimmed[0] == '@')) {
      // Long hex lists go on over lines ending in a backslash.
      std::string joined(trimmed);
      std::string_view rest = trimmed;
      const bool hex = ParseName(rest) && IStartsWith(rest, "hex");
      size_t j = i;
      while (hex && !joined.empty() && joined.back() == '\\' && j + 1 < lines.size()) {
        joined.pop_back();
        ++j;
        entry.lines.push_back(lines[j]);
        joined += Trim(lines[j]);
      }
      if (auto value = ParseRegValue(joined)) {
        entry.kind = Kind::Value;
        entry.value = std::move(*value);
        i = j;
      } else {
        entry.lines.resize(1);  // a broken line stands alone
      }
    }
    doc.entries_.push_back(std::move(entry));
  }
  return doc;
}

std::string RegDocument::Serialize() const {
  const char* eol = crlf_ ? "\r\n" : "\n";
  std::string out;
  for (const Entry& e : entries_)
    for (const std::string& line : e.lines) out += line + eol;
  return out;
}

bool RegDocument::HasSection(std::string_view section) const {
  for (const Entry& e : entries_)
    if (e.kind == Kind::Section && EqualsIgnoringCase(e.section, section)) return true;
  return false;
}

std::optional<RegValue> RegDocument::Find(std::string_view section, std::string_view name) const {
  std::optional<RegValue> found;
  bool inside = false;
  for (const Entry& e : entries_) {
    if (e.kind == Kind::Section) inside = EqualsIgnoringCase(e.section, section);
    if (inside && e.kind == Kind::Value && EqualsIgnoringCase(e.value.name, name)) found = e.value;
  }
  return found;
}

size_t RegDocument::EndOfSection(size_t header) const {
  size_t end = header + 1;
  for (size_t j = header + 1; j < entries_.size() && entries_[j].kind != Kind::Section; ++j)
    if (!IsBlank(entries_[j].lines)) end = j + 1;
  // A line put after one that asks for a continuation would be read as part
  // of it; new lines go before such a tail, which then reads as before.
  while (end > header + 1 && (Continues(entries_[end - 1].lines) || IsBlank(entries_[end - 1].lines))) --end;
  return end;
}

size_t RegDocument::AppendSection(std::string_view section) {
  if (entries_.empty()) entries_.push_back({Kind::Other, {"REGEDIT4"}, {}, {}});
  Entry header{Kind::Section, {std::string("[").append(section).append("]")}, std::string(section), {}};
  const Entry blank{Kind::Other, {""}, {}, {}};
  // At the end, unless the file's last line asks for a continuation: then
  // before the first section, where no line continues.
  size_t at = entries_.size();
  if (Continues(entries_.back().lines)) {
    at = 0;
    while (at < entries_.size() && entries_[at].kind != Kind::Section) ++at;
    if (at < entries_.size()) entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), blank);
  }
  if (at > 0 && !IsBlank(entries_[at - 1].lines)) entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at++), blank);
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), std::move(header));
  return at;
}

bool RegDocument::EnsureSection(std::string_view section) {
  if (HasSection(section)) return false;
  AppendSection(section);
  return true;
}

void RegDocument::Set(std::string_view section, const RegValue& value) {
  Entry entry{Kind::Value, FormatRegValue(value), {}, value};
  // Replace the definition that reads see: the last one.
  size_t last = entries_.size();
  size_t lastHeader = entries_.size();
  bool inside = false;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    if (e.kind == Kind::Section) {
      inside = EqualsIgnoringCase(e.section, section);
      if (inside) lastHeader = i;
    }
    if (inside && e.kind == Kind::Value && EqualsIgnoringCase(e.value.name, value.name)) last = i;
  }
  if (last < entries_.size()) {
    entries_[last] = std::move(entry);
    return;
  }
  if (lastHeader == entries_.size()) lastHeader = AppendSection(section);
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(EndOfSection(lastHeader)), std::move(entry));
}

}  // namespace velmo
