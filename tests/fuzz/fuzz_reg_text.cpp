// The REGEDIT4 parser: any text parses; saving what was parsed, with or
// without a value set, gives a file that reads back the same values and
// saves again unchanged; adding a value loses none of the file's lines.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/reg_text.h"
#include "platform/registry.h"

using velmo::RegDocument;
using velmo::RegValue;

namespace {

constexpr std::string_view kSection = "HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20";

void Check(bool ok) {
  if (!ok) std::abort();
}

// The value names the text defines, with a few the saver uses.
std::vector<std::string> NamesIn(std::string_view text) {
  std::vector<std::string> names = {"NumBirds", "clockX", "Gamma", ""};
  size_t start = 0;
  while (start < text.size() && names.size() < 24) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (auto value = velmo::ParseRegValue(line)) names.push_back(value->name);
    start = end + 1;
  }
  return names;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

void SameValues(const RegDocument& a, const RegDocument& b, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const auto x = a.Find(kSection, name), y = b.Find(kSection, name);
    Check(x.has_value() == y.has_value());
    if (x) Check(x->type == y->type && x->data == y->data);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // The store refuses files holding a zero byte before they reach the parser.
  if (text.find('\0') != std::string_view::npos) return 0;
  const std::vector<std::string> names = NamesIn(text);
  RegDocument doc = RegDocument::Parse(text);

  const std::string saved = doc.Serialize();
  const RegDocument again = RegDocument::Parse(saved);
  Check(again.Serialize() == saved);
  SameValues(doc, again, names);

  // A save as the store makes one: a name without line breaks, any bytes.
  const std::string& name = names[size % names.size()];
  if (name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return 0;
  const uint32_t types[] = {velmo::REG_DWORD, velmo::REG_SZ, velmo::REG_BINARY};
  RegValue value{name, types[size % 3], {}};
  const size_t tail = std::min<size_t>(size, value.type == velmo::REG_DWORD ? 4 : 40);
  value.data.assign(data + size - tail, data + size);
  if (value.type == velmo::REG_SZ) value.data.push_back(0);
  // As the store does it: the key made first, then the value written.
  const bool had = doc.HasSection(kSection);
  const bool added = !doc.Find(kSection, name);
  Check(doc.EnsureSection(kSection) == !had && doc.HasSection(kSection));
  doc.Set(kSection, value);
  const std::string written = doc.Serialize();
  const RegDocument back = RegDocument::Parse(written);
  Check(back.Serialize() == written);
  SameValues(doc, back, names);
  const auto read = back.Find(kSection, name);
  Check(read && read->type == value.type && read->data == value.data);
  // A value added keeps every line of the file, in its order.
  if (added) {
    const std::vector<std::string> before = Lines(saved), after = Lines(written);
    size_t at = 0;
    for (const std::string& line : after)
      if (at < before.size() && line == before[at]) ++at;
    Check(at == before.size());
  }
  return 0;
}
