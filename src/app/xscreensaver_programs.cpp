// SPDX-License-Identifier: MIT
#include "app/xscreensaver_programs.h"

#include <cctype>
#include <vector>

namespace velmo {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// One line of the file: [begin, end) without its newline.
struct Line {
  size_t begin, end;
};

std::vector<Line> LinesOf(std::string_view file) {
  std::vector<Line> lines;
  size_t at = 0;
  while (at < file.size()) {
    size_t nl = file.find('\n', at);
    if (nl == std::string_view::npos) nl = file.size();
    lines.push_back({at, nl});
    at = nl + 1;
  }
  return lines;
}

bool Continues(std::string_view line) { return !line.empty() && line.back() == '\\'; }

// The program an entry runs: the last part of its command's first word.
std::string_view ProgramOf(std::string_view entry, bool* off) {
  entry = Trim(entry);
  *off = !entry.empty() && entry.front() == '-';
  if (*off) entry = Trim(entry.substr(1));
  // A visual: one word ending in a colon.
  const size_t word = entry.find_first_of(" \t\"");
  if (word != std::string_view::npos && word > 0 && entry[word - 1] == ':') entry = Trim(entry.substr(word));
  else if (word == std::string_view::npos && !entry.empty() && entry.back() == ':') return {};
  // A name in quotes.
  if (!entry.empty() && entry.front() == '"') {
    const size_t close = entry.find('"', 1);
    if (close == std::string_view::npos) return {};
    entry = Trim(entry.substr(close + 1));
  }
  entry = entry.substr(0, entry.find_first_of(" \t"));
  const size_t slash = entry.rfind('/');
  return slash == std::string_view::npos ? entry : entry.substr(slash + 1);
}

}  // namespace

TProgramsEdit AddToPrograms(std::string_view file, std::string_view command) {
  const std::vector<Line> lines = LinesOf(file);
  auto text = [&](size_t i) { return file.substr(lines[i].begin, lines[i].end - lines[i].begin); };
  // The resource's first and last line (the last that the backslashes join).
  size_t first = lines.size(), last = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = text(i);
    size_t end = i;
    while (end + 1 < lines.size() && Continues(text(end))) ++end;
    const std::string_view head = Trim(line);
    if (!head.empty() && head.front() != '#' && head.front() != '!') {
      const size_t colon = line.find(':');
      if (colon != std::string_view::npos && Trim(line.substr(0, colon)) == "programs") first = i, last = end;
    }
    i = end;
  }
  TProgramsEdit edit;
  if (first == lines.size()) return edit;

  // The value, its lines joined without their backslashes.
  std::string value;
  for (size_t i = first; i <= last; ++i) {
    std::string_view line = text(i);
    if (i == first) line.remove_prefix(line.find(':') + 1);
    if (i < last) line.remove_suffix(1);
    value.append(line).push_back(' ');
  }
  bool ignored = false;
  const std::string_view wanted = ProgramOf(command, &ignored);
  size_t at = 0;
  while (at <= value.size()) {
    size_t sep = value.find("\\n", at);
    if (sep == std::string::npos) sep = value.size();
    bool off = false;
    const std::string_view program = ProgramOf(std::string_view(value).substr(at, sep - at), &off);
    if (!program.empty() && program == wanted) {
      edit.outcome = off ? TProgramsEdit::TOutcome::kListedOff : TProgramsEdit::TOutcome::kListed;
      return edit;
    }
    at = sep + 2;
  }

  // The entry as xscreensaver lays one out: indented by tabs, and the
  // separator and the backslash at the end.
  const std::string_view trimmed = Trim(value);
  const bool needsSeparator = !trimmed.empty() && !trimmed.ends_with("\\n");
  std::string entry = std::string(needsSeparator ? "\\n" : "") + "\t\t\t\t" + std::string(command) + "\t\t\t\t    \\n\\\n";
  std::string out;
  out.reserve(file.size() + entry.size() + 4);
  const std::string_view lastLine = text(last);
  if (last > first && Trim(lastLine).empty()) {
    // The usual end: a last entry's line joined to an empty one. The entry
    // goes between them.
    out.append(file.substr(0, lines[last].begin)).append(entry).append(file.substr(lines[last].begin));
  } else {
    // The value ends on a line with text: it is joined to the entry, which
    // is joined to an empty line that ends the value. A file that ends in
    // the middle of a joined line has it joined to the entry already.
    const size_t end = lines[last].end;
    const bool newline = end < file.size();
    out.append(file.substr(0, end)).append(Continues(lastLine) ? "\n" : "\\\n").append(entry).append("\n");
    if (newline) out.append(file.substr(end + 1));
  }
  edit.outcome = TProgramsEdit::TOutcome::kAdded;
  edit.text = std::move(out);
  return edit;
}

}  // namespace velmo
