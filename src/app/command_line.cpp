// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "app/convert.h"

#ifndef PROGRAM_VERSION
#define PROGRAM_VERSION "unknown"
#endif

namespace velmo {
namespace {

using Place = TSaverOptions::TPlace;

// "--gulls" and "-gulls" are the same option, as in xscreensaver's hacks.
std::string_view OptionName(std::string_view word) {
  if (word.size() > 2 && word[0] == '-' && word[1] == '-') word.remove_prefix(1);
  return word;
}

// A whole decimal number in [low, high].
std::optional<int> NumberIn(const std::string& text, int low, int high) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  for (size_t i = 0; i < text.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i])) && !(i == 0 && text[i] == '-' && text.size() > 1))
      return std::nullopt;
  const int value = std::stoi(text);
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<int> SpeedOf(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (text == "slow") return 0;
  if (text == "normal") return 1;
  if (text == "fast") return 2;
  return std::nullopt;
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine line;
  if (args.empty() || IsOldForm(args[0])) {
    line.mode = ChooseRunMode(args);
    return line;
  }
  TSaverOptions& o = line.saver;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    const std::string_view name = OptionName(word);
    // The option's value: the next argument.
    auto value = [&]() -> const std::string* {
      if (i + 1 >= args.size()) {
        if (line.error.empty()) line.error = "velmo: " + word + " needs a value";
        return nullptr;
      }
      return &args[++i];
    };
    auto outOfRange = [&](const std::string& given, const char* wanted) {
      line.warnings.push_back("velmo: " + word + " wants " + wanted + ", not '" + given + "'; the default is used");
    };
    if (name == "-h" || name == "-help") {
      line.help = true;
    } else if (name == "-version") {
      line.version = true;
    } else if (name == "-root") {
      // Read again by ChooseHostWindow, with the environment.
    } else if (name == "-window-id") {
      value();  // checked by ChooseHostWindow, where a bad id is the run's error
    } else if (name == "-window") {
      line.ownWindow = true;
    } else if (name == "-add-to-xscreensaver") {
      line.addToXScreenSaver = true;
    } else if (name == "-idle") {
      line.idle = true;
    } else if (name == "-after") {
      if (const std::string* v = value()) {
        if (const auto n = NumberIn(*v, kAfterLow, kAfterHigh)) line.afterSeconds = *n;
        else outOfRange(*v, "a number of seconds from 1 to 7200");
      }
    } else if (name == "-fps" || name == "-no-fps") {
      o.flag_fps = name == "-fps";
    } else if (name == "-clock" || name == "-no-clock") {
      o.flag_clock = name == "-clock";
    } else if (name == "-sound" || name == "-no-sound") {
      o.flag_PlaySound = name == "-sound";
    } else if (name == "-gulls") {
      if (const std::string* v = value()) {
        if (const auto n = NumberIn(*v, 0, 10)) o.NumBirds = *n;
        else outOfRange(*v, "a number of seagulls from 0 to 10");
      }
    } else if (name == "-brightness") {
      if (const std::string* v = value()) {
        if (const auto n = NumberIn(*v, 0, 256)) o.Gamma = *n;
        else outOfRange(*v, "a brightness from 0 to 256");
      }
    } else if (name == "-speed") {
      if (const std::string* v = value()) {
        if (const auto n = SpeedOf(*v)) o.SetSpeed = *n;
        else outOfRange(*v, "slow, normal or fast");
      }
    } else if (line.error.empty()) {
      line.error = "velmo: unrecognised option '" + word + "'";
    }
  }
  if (line.afterSeconds > 0 && !line.idle && line.error.empty()) line.error = "velmo: --after goes with --idle";
  return line;
}

std::string UsageText() {
  using O = TSaverOptions;
  const char* speeds[] = {"slow", "normal", "fast"};
  std::string text =
      "Usage: velmo [OPTION]...\n"
      "       velmo /s | /c | /p WINDOW | /a\n"
      "\n"
      "A seascape at dusk: a screen saver.\n"
      "\n"
      "With no option it runs full screen with the settings of \"velmo /c\"; the\n"
      "options below change them for that run only. In a window (-root,\n"
      "-window-id, -window) an option not given takes the default shown, and the\n"
      "settings file is only read, for the clock's place, size and colour.\n"
      "\n"
      "Where it draws:\n"
      "  -root               the window XSCREENSAVER_WINDOW names, or the root window\n"
      "  -window-id ID       the X window ID (decimal, or hexadecimal with 0x)\n"
      "  -window             a window of its own; q, Escape or closing it ends it\n"
      "\n"
      "What it shows:\n";
  auto line = [&](const std::string& option, const std::string& what, const std::string& fallback) {
    std::string padded = "  " + option;
    padded.resize(22, ' ');
    text += padded + what + " (default " + fallback + ")\n";
  };
  line("-gulls N", "number of seagulls, 0 to 10", std::to_string(O::kNumBirds));
  line("-speed SPEED", "slow, normal or fast", speeds[O::kSetSpeed]);
  line("-clock, -no-clock", "the analog clock", OnOff(O::kClock));
  line("-fps, -no-fps", "the frame-rate text", OnOff(O::kShowFps));
  line("-sound, -no-sound", "the sound of the surf", OnOff(O::kPlaySound));
  line("-brightness N", "0 (black) to 256 (unchanged)", std::to_string(O::kGamma));
  text +=
      "\n"
      "  -h, -help, --help   this text\n"
      "  --version           the program's version\n"
      "  --add-to-xscreensaver\n"
      "                      add Velmo to the programs: list of ~/.xscreensaver\n"
      "  --idle [--after SECONDS]\n"
      "                      watch the session: start the saver when it has been\n"
      "                      idle for the dialog's delay (or SECONDS)\n"
      "Every option may also be written with two dashes (--gulls 3).\n"
      "\n"
      "The screen-saver forms: /s runs the saver full screen, /c opens the settings\n"
      "dialog \"Velmo Setup\", /p WINDOW paints the preview picture into WINDOW, /a\n"
      "says that there is no screen-saver password to change. Only the letter\n"
      "after the first character counts (-s, /S, /c:1234). See velmo(6).\n";
  return text;
}

std::string VersionText() { return std::string("velmo ") + PROGRAM_VERSION + "\n"; }

std::optional<int> AnswerAtOnce(const TCommandLine& line, std::FILE* out, std::FILE* err) {
  for (const std::string& warning : line.warnings) std::fprintf(err, "%s\n", warning.c_str());
  if (!line.error.empty()) {
    std::fprintf(err, "%s\n\n%s", line.error.c_str(), UsageText().c_str());
    return 1;
  }
  if (line.help) {
    std::fputs(UsageText().c_str(), out);
    return 0;
  }
  if (line.version) {
    std::fputs(VersionText().c_str(), out);
    return 0;
  }
  return std::nullopt;
}

std::optional<int> SaverIndexOf(const char* text) {
  if (!text || !*text) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long index = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || index < 0 || index > 1000) return std::nullopt;
  return static_cast<int>(index);
}

}  // namespace velmo
