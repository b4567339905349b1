#include "app/entry.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/command_line.h"
#include "app/convert.h"
#include "app/run_mode.h"

namespace velmo {
namespace {

RunMode ModeOf(std::vector<std::string> args) { return ChooseRunMode(args); }

TEST(RunModeChoice, ShortOrMissingFirstArgumentRunsTheSaver) {
  EXPECT_EQ(ModeOf({}), RunMode::Saver);
  EXPECT_EQ(ModeOf({""}), RunMode::Saver);
  EXPECT_EQ(ModeOf({"S"}), RunMode::Saver);
  EXPECT_EQ(ModeOf({"/"}), RunMode::Saver);
  EXPECT_EQ(ModeOf({"c"}), RunMode::Saver);  // a lone letter is dropped as the "slash"
}

TEST(RunModeChoice, TheLetterAfterTheFirstCharacterDecidesWhateverThatCharacterIs) {
  for (const char* s : {"/s", "-s", "xs", "/S", "/x", "/z", "/1"}) EXPECT_EQ(ModeOf({s}), RunMode::Saver) << s;
  for (const char* c : {"/c", "/C", "/C:4660", "-c", "/c:1234"}) EXPECT_EQ(ModeOf({c}), RunMode::Settings) << c;
  EXPECT_EQ(ModeOf({"/p", "4660"}), RunMode::Preview);
  EXPECT_EQ(ModeOf({"-P"}), RunMode::Preview);
  EXPECT_EQ(ModeOf({"/a", "4660"}), RunMode::Password);
  EXPECT_EQ(ModeOf({"/A"}), RunMode::Password);
}

TEST(StrToInt, ReadsDecimalAndHexadecimalWindowIds) {
  EXPECT_EQ(StrToInt("4660"), 4660);
  EXPECT_EQ(StrToInt("  -12"), -12);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("0x1a00005"), 0x1a00005);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, RefusesWhatIsNotAWholeNumber) {
  for (const char* bad : {"", "abc", "12a", "12 ", "0x", "-", "2147483648", "0x100000000", "1.5"}) {
    EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
  }
  try {
    StrToInt("abc");
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

std::string Describe(const TSaverOptions& o) {
  std::string text = o.place == TSaverOptions::TPlace::FullScreen ? "saver"
                     : o.place == TSaverOptions::TPlace::Window  ? "saver window"
                     : o.hostWindow == 0                         ? "hosted root"
                                                                 : "hosted " + std::to_string(o.hostWindow);
  if (o.NumBirds) text += " gulls=" + std::to_string(*o.NumBirds);
  if (o.flag_clock) text += std::string(" clock=") + (*o.flag_clock ? "on" : "off");
  if (o.flag_fps) text += std::string(" fps=") + (*o.flag_fps ? "on" : "off");
  if (o.flag_PlaySound) text += std::string(" sound=") + (*o.flag_PlaySound ? "on" : "off");
  if (o.Gamma) text += " brightness=" + std::to_string(*o.Gamma);
  if (o.SetSpeed) text += " speed=" + std::to_string(*o.SetSpeed);
  return text;
}

struct Recorder {
  std::vector<std::string> calls;
  RunModes modes() {
    return RunModes{
        [this](const TSaverOptions& o) {
          calls.push_back(Describe(o));
          return true;
        },
        [this] { calls.push_back("settings"); },
        [this](const std::string& a) { calls.push_back("preview " + a); StrToInt(a); },
        [this](const std::string& a) { calls.push_back("password " + a); },
        [this](const std::string& t) { calls.push_back("error " + t); },
        [this](int after) {
          calls.push_back("idle " + std::to_string(after));
          return 0;
        },
    };
  }
};

TEST(Entry, DispatchesOnceAndPassesTheSecondArgument) {
  Recorder r;
  EXPECT_EQ(RunEntry({"/p", "4660"}, r.modes()), 0);
  EXPECT_EQ(RunEntry({"/a", "17"}, r.modes()), 0);
  EXPECT_EQ(RunEntry({"/c:99"}, r.modes()), 0);
  EXPECT_EQ(RunEntry({}, r.modes()), 0);
  EXPECT_EQ(r.calls, (std::vector<std::string>{"preview 4660", "password 17", "settings", "saver"}));
}

TEST(Entry, AnErrorReachingTheEntryIsShownAndSaysInTheExitCodeWhoseFaultItWas) {
  Recorder r;
  EXPECT_EQ(RunEntry({"/p", "abc"}, r.modes()), kExitUsage);
  EXPECT_EQ(RunEntry({"/p"}, r.modes()), kExitUsage);  // missing handle
  EXPECT_EQ(RunEntry({"-window-id", "abc"}, r.modes()), kExitUsage);
  EXPECT_EQ(RunEntry({"/a"}, r.modes()), kExitDone);  // the password change needs no parent
  EXPECT_EQ(r.calls, (std::vector<std::string>{"preview abc", "error 'abc' is not a valid integer value", "preview ",
                                               "error '' is not a valid integer value",
                                               "error 'abc' is not a valid window id", "password "}));

  RunModes failing = r.modes();
  failing.saver = [](const TSaverOptions&) { return false; };  // it could not start and said why
  EXPECT_EQ(RunEntry({"/s"}, failing), kExitFailed);
  failing.preview = [](const std::string&) { throw std::runtime_error("Window 7 does not exist."); };
  EXPECT_EQ(RunEntry({"/p", "7"}, failing), kExitFailed);
  failing.saver = [](const TSaverOptions&) -> bool { throw 42; };
  EXPECT_EQ(RunEntry({"/s"}, failing), kExitFailed);
  EXPECT_EQ(r.calls.back(), "error Unexpected error.");
}

TEST(CommandLine, OptionsAreWholeWordsWithOneOrTwoDashesAndReachTheSaver) {
  Recorder r;
  RunEntry({"--root", "-gulls", "0", "-no-clock"}, r.modes(), "0x40");
  RunEntry({"-window", "--gulls", "10", "-fps", "-no-sound", "-brightness", "128", "-speed", "Fast"}, r.modes(), "0x40");
  RunEntry({"-window-id", "17", "--no-fps", "--clock", "--sound", "--speed", "slow"}, r.modes());
  RunEntry({"-gulls", "3"}, r.modes());
  EXPECT_EQ(r.calls, (std::vector<std::string>{
                         "hosted 64 gulls=0 clock=off",
                         "saver window gulls=10 fps=on sound=off brightness=128 speed=2",
                         "hosted 17 clock=on fps=off sound=on speed=0",
                         "saver gulls=3",
                     }));
}

TEST(CommandLine, TheOldShapesKeepTheirMeaningAndEverythingElseIsAnOption) {
  for (const char* old : {"/s", "-s", "-C", "-c:1234", "/c:1234", "xs", "", "-P", "/Z"})
    EXPECT_TRUE(IsOldForm(old)) << old;
  for (const char* option : {"-h", "-help", "--help", "--version", "-window", "-root", "-fps", "--bogus", "-pause",
                             "-count", "-", "-1", "--s"})
    EXPECT_FALSE(IsOldForm(option)) << option;
  // Once the first word is of the old shape the rest is never read as options.
  EXPECT_TRUE(ParseCommandLine({"/c", "--bogus"}).error.empty());
  EXPECT_EQ(ParseCommandLine({"-c:1234"}).mode, RunMode::Settings);
  EXPECT_EQ(ParseCommandLine({"-window"}).mode, RunMode::Saver);
  EXPECT_EQ(ParseCommandLine({"-pause"}).error, "velmo: unrecognised option '-pause'");
  EXPECT_EQ(ParseCommandLine({"-count", "5"}).error, "velmo: unrecognised option '-count'");
  EXPECT_EQ(ParseCommandLine({"-fps", "stray"}).error, "velmo: unrecognised option 'stray'");
  EXPECT_EQ(ParseCommandLine({"-gulls"}).error, "velmo: -gulls needs a value");
  EXPECT_TRUE(ParseCommandLine({"-h"}).help);
  EXPECT_TRUE(ParseCommandLine({"-fps", "--help"}).help);
  EXPECT_TRUE(ParseCommandLine({"--version"}).version);
}

TEST(CommandLine, IdleRunsTheWatcherWithTheDelayOfAfterOrTheStoredOne) {
  Recorder r;
  EXPECT_EQ(RunEntry({"--idle", "--after", "3"}, r.modes()), 0);
  EXPECT_EQ(RunEntry({"-idle"}, r.modes()), 0);
  EXPECT_EQ(RunEntry({"--idle", "--after", "0"}, r.modes()), 0);  // said, and the stored delay used
  EXPECT_EQ(RunEntry({"--after", "3"}, r.modes()), kExitUsage);
  EXPECT_EQ(RunEntry({"--idle", "--after"}, r.modes()), kExitUsage);
  EXPECT_EQ(r.calls, (std::vector<std::string>{"idle 3", "idle 0", "idle 0"}));
  EXPECT_EQ(ParseCommandLine({"--idle", "--after", "7201"}).warnings,
            (std::vector<std::string>{
                "velmo: --after wants a number of seconds from 1 to 7200, not '7201'; the default is used"}));
}

TEST(CommandLine, AValueOutOfRangeIsSaidAndTheDefaultKept) {
  const TCommandLine line = ParseCommandLine({"-gulls", "11", "-brightness", "-1", "-speed", "warp", "-gulls", "x"});
  EXPECT_TRUE(line.error.empty());
  EXPECT_FALSE(line.saver.NumBirds);
  EXPECT_FALSE(line.saver.Gamma);
  EXPECT_FALSE(line.saver.SetSpeed);
  EXPECT_EQ(line.warnings, (std::vector<std::string>{
                               "velmo: -gulls wants a number of seagulls from 0 to 10, not '11'; the default is used",
                               "velmo: -brightness wants a brightness from 0 to 256, not '-1'; the default is used",
                               "velmo: -speed wants slow, normal or fast, not 'warp'; the default is used",
                               "velmo: -gulls wants a number of seagulls from 0 to 10, not 'x'; the default is used",
                           }));
}

std::optional<HostWindow> HostOf(std::vector<std::string> args, const char* env = nullptr) {
  return ChooseHostWindow(args, env);
}

TEST(HostWindowChoice, ADaemonsWindowComesFromTheArgumentsOrTheEnvironment) {
  EXPECT_EQ(HostOf({}), std::nullopt);
  EXPECT_EQ(HostOf({"/s"}), std::nullopt);
  EXPECT_EQ(HostOf({}, ""), std::nullopt) << "an empty variable is no window";
  EXPECT_EQ(HostOf({"-root"}), (HostWindow{true, 0}));
  EXPECT_EQ(HostOf({"-window-id", "4660"}), (HostWindow{false, 4660}));
  EXPECT_EQ(HostOf({"-window-id", "0x2A00007"}), (HostWindow{false, 0x2a00007}));
  EXPECT_EQ(HostOf({"/s", "--window-id", "17"}), (HostWindow{false, 17}));
  EXPECT_EQ(HostOf({}, "0x1c00005"), (HostWindow{false, 0x1c00005}));
  EXPECT_EQ(HostOf({}, "29360133"), (HostWindow{false, 29360133}));
}

TEST(HostWindowChoice, TheExplicitIdWinsThenTheVariableThenTheRoot) {
  EXPECT_EQ(HostOf({"-root"}, "0x500"), (HostWindow{false, 0x500}));
  EXPECT_EQ(HostOf({"-root", "-window-id", "0x600"}, "0x500"), (HostWindow{false, 0x600}));
}

TEST(HostWindowChoice, AMissingOrMalformedIdIsAClearError) {
  for (const char* bad : {"abc", "0", "-5", "0x", "12 "}) {
    try {
      HostOf({"-window-id", bad});
      ADD_FAILURE() << bad;
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid window id");
    }
    EXPECT_THROW(HostOf({}, bad), EConvertError) << bad;
  }
  try {
    HostOf({"-window-id"});
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "-window-id needs a window id");
  }
}

TEST(HostWindowChoice, ARequestIsSeenEvenWithAMalformedIdButOnlyForTheSaver) {
  EXPECT_TRUE(HostRequested({}, "junk"));
  EXPECT_TRUE(HostRequested({"-window-id"}, nullptr));
  EXPECT_TRUE(HostRequested({"-root"}, nullptr));
  EXPECT_FALSE(HostRequested({}, ""));
  EXPECT_FALSE(HostRequested({"/s"}, nullptr));
  EXPECT_FALSE(HostRequested({"/c"}, "0x40"));
  EXPECT_FALSE(HostRequested({"/p", "7"}, "0x40"));
}

TEST(HostWindowChoice, AWindowOfOurOwnIsAskedForWithDashWindowUnlessAnIdIsGiven) {
  EXPECT_EQ(HostOf({"-window"}, "0x500"), std::nullopt);
  EXPECT_EQ(HostOf({"-window", "-root"}, "0x500"), (HostWindow{true, 0}));
  EXPECT_FALSE(HostRequested({"-window"}, "0x500"));
}

TEST(Entry, OnlyTheSaverModeIsHostedAndABadIdIsShown) {
  Recorder r;
  RunEntry({"-root"}, r.modes());
  RunEntry({"-window-id", "0x10"}, r.modes());
  RunEntry({}, r.modes(), "0x20");
  RunEntry({"/s"}, r.modes(), "0x30");
  RunEntry({"/c"}, r.modes(), "0x40");
  RunEntry({"/p", "7"}, r.modes(), "0x50");
  RunEntry({}, r.modes(), "junk");
  EXPECT_EQ(r.calls, (std::vector<std::string>{"hosted root", "hosted 16", "hosted 32", "hosted 48", "settings",
                                               "preview 7", "error 'junk' is not a valid window id"}));
}

}  // namespace
}  // namespace velmo
