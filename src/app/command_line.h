// SPDX-License-Identifier: MIT
#pragma once
// The command line read whole: the run mode, the options of the saver, and
// what is answered at once without opening anything (the usage, the
// version, a mistyped option).
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/run_mode.h"
#include "scene/saver_options.h"

namespace velmo {
// What --after takes, in seconds (up to the dialog's longest delay).
inline constexpr int kAfterLow = 1;
inline constexpr int kAfterHigh = 120 * 60;
}  // namespace velmo

namespace velmo {

struct TCommandLine {
  RunMode mode = RunMode::Saver;
  bool help = false;
  bool version = false;
  bool ownWindow = false;  // -window
  bool addToXScreenSaver = false;  // --add-to-xscreensaver: that alone, no mode runs
  bool idle = false;               // --idle: the session's watcher instead of a mode
  int afterSeconds = 0;            // --after SECONDS with --idle; 0: the stored delay
  // A word that is no option, or an option without its value: said with
  // the usage, and the program ends with 1.
  std::string error;
  // A value out of its range: said on standard error, the default is used.
  std::vector<std::string> warnings;
  // The settings the options give; where the saver draws is decided with
  // the host window (ChooseHostWindow), which may still be malformed.
  TSaverOptions saver;
};

// args are the arguments after the program name. A first argument in the
// old screen-saver shape (one not starting with '-', or a dash, a letter
// and optionally a colon and anything: -s, -C, -c:1234) is read by the old
// rule alone; otherwise every argument is an option (one or two dashes).
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// Every option, with the defaults a saver in a window starts from.
std::string UsageText();
// One line: the program and its version.
std::string VersionText();
// A saver multiplexer's number for this saver (XSCREENSAVER_SAVER_INDEX's
// text): a whole number, else none.
std::optional<int> SaverIndexOf(const char* text);

// Says the warnings on err; then the usage or the version on out, or an
// error with the usage on err. Returns the exit code when that is all the
// run does, nothing when the mode is to run.
std::optional<int> AnswerAtOnce(const TCommandLine& line, std::FILE* out, std::FILE* err);

}  // namespace velmo
