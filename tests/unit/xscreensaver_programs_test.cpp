// SPDX-License-Identifier: MIT
// Velmo added to the programs: list of ~/.xscreensaver: the entry lands in
// the list whatever its layout, every other byte of the file stays, an entry
// already there (on or off, with a visual, a name or a path) is found, and
// the file is replaced in one piece, keeping its mode and its link.
#include "app/xscreensaver_programs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "app/add_to_xscreensaver.h"
#include "fakes/temp_dir.h"

namespace velmo {
namespace {

using O = TProgramsEdit::TOutcome;
const std::string kAdded = "\t\t\t\tvelmo --root\t\t\t\t    \\n\\\n";

// The head and tail of a file as xscreensaver-settings writes it.
const std::string kHead =
    "# XScreenSaver Preferences File\n"
    "timeout:\t0:11:00\n"
    "mode:\t\trandom\n"
    "\n"
    "programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
    "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n"
    "-\t\t\t\tnoseguy --root\t\t\t\t    \\n\\\n"
    "  GL: \t\t\t\tgltext --root\t\t\t\t    \\n\\\n";
const std::string kTail =
    "\n"
    "\n"
    "pointerHysteresis:  10\n";

TEST(XScreenSaverPrograms, AddsOneLineAtTheEndOfTheListAsXScreenSaverWritesItAndNothingElse) {
  const TProgramsEdit edit = AddToPrograms(kHead + kTail, kXScreenSaverEntry);
  ASSERT_EQ(edit.outcome, O::kAdded);
  EXPECT_EQ(edit.text, kHead + kAdded + kTail);
  EXPECT_EQ(AddToPrograms(edit.text, kXScreenSaverEntry).outcome, O::kListed);
}

TEST(XScreenSaverPrograms, ListsOfOtherLayoutsGetTheEntryAndTheSeparatorTheyLack) {
  const struct {
    std::string file, expected;
  } cases[] = {
      // Two entries on one joined line, the last without its separator and
      // no empty line after it.
      {"programs: maze -root \\n qix -root\\\n  rocks -root\nnext: 1\n",
       "programs: maze -root \\n qix -root\\\n  rocks -root\\\n\\n" + kAdded + "\nnext: 1\n"},
      // The separator there, the value ending on a line with text.
      {"programs: \\\n  maze -root \\n\n", "programs: \\\n  maze -root \\n\\\n" + kAdded + "\n"},
      // An empty list, and a file that ends without a newline.
      {"a: 1\nprograms:\n", "a: 1\nprograms:\\\n" + kAdded + "\n"},
      {"programs: maze -root", "programs: maze -root\\\n\\n" + kAdded + "\n"},
      // The last entry joined to an empty line, but without its separator.
      {"programs: \\\n  maze -root \\\n\nb: 2\n", "programs: \\\n  maze -root \\\n\\n" + kAdded + "\nb: 2\n"},
  };
  for (const auto& c : cases) {
    const TProgramsEdit edit = AddToPrograms(c.file, kXScreenSaverEntry);
    ASSERT_EQ(edit.outcome, O::kAdded) << c.file;
    EXPECT_EQ(edit.text, c.expected) << c.file;
    EXPECT_EQ(AddToPrograms(edit.text, kXScreenSaverEntry).outcome, O::kListed) << edit.text;
  }
}

TEST(XScreenSaverPrograms, FindsVelmoListedOnOrOffAndNoListWhereThereIsNone) {
  const struct {
    std::string file;
    O outcome;
  } cases[] = {
      {kHead + "\t\t\t\tvelmo --root\t\t\t\t    \\n\\\n" + kTail, O::kListed},
      {kHead + "-\t\t\t\tvelmo --root\t\t\t\t    \\n\\\n" + kTail, O::kListedOff},
      {kHead + "- GL: \t\tvelmo -gulls 3\t\\n\\\n" + kTail, O::kListedOff},
      {"programs: maze -root \\n \"Seascape\" /usr/libexec/xscreensaver/velmo -root\n", O::kListed},
      {"programs: maze -root \\n default: velmo\n", O::kListed},
      // Not Velmo: another program of the name's beginning, a comment, and
      // another resource.
      {"programs: velmo-setup \\n velmoo -root\n", O::kAdded},
      {"# programs: velmo --root\nprograms: maze -root\n", O::kAdded},
      {"textProgram:\tvelmo\nprograms: maze -root\n", O::kAdded},
      // No list: xscreensaver uses its own, which the file must not replace.
      {"timeout: 0:10:00\n! programs: velmo\n", O::kNoList},
      {"", O::kNoList},
  };
  for (const auto& c : cases) {
    const TProgramsEdit edit = AddToPrograms(c.file, kXScreenSaverEntry);
    EXPECT_EQ(edit.outcome, c.outcome) << c.file;
    if (c.outcome != O::kAdded) {
      EXPECT_TRUE(edit.text.empty());
    }
  }
}

TEST(AddToXScreenSaver, ReplacesTheFileBehindItsLinkKeepingItsModeOnceAndSaysWhatItDid) {
  testing::TempDir dir;
  const auto real = dir.path() / "dotfiles" / "xscreensaver";
  testing::WriteText(real, kHead + kTail);
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  const auto link = dir.path() / ".xscreensaver";
  std::filesystem::create_symlink(real, link);

  char said[1024] = {};
  std::FILE* out = ::fmemopen(said, sizeof said - 1, "w");
  EXPECT_EQ(AddToXScreenSaver(link.string(), out, stderr), 0);
  std::fclose(out);
  EXPECT_NE(std::string(said).find("added \"velmo --root\""), std::string::npos) << said;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(testing::ReadText(real), kHead + kAdded + kTail);
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(real.parent_path()), {}), 1) << "a temporary is left";

  out = ::fmemopen(said, sizeof said - 1, "w");
  EXPECT_EQ(AddToXScreenSaver(link.string(), out, stderr), 0);
  std::fclose(out);
  EXPECT_NE(std::string(said).find("already; nothing was changed"), std::string::npos) << said;
  EXPECT_EQ(testing::ReadText(real), kHead + kAdded + kTail);
}

TEST(AddToXScreenSaver, WithoutAFileOrAListItSaysHowToGetOneAndWritesNothing) {
  testing::TempDir dir;
  const auto file = dir.path() / ".xscreensaver";
  char said[1024] = {};
  std::FILE* err = ::fmemopen(said, sizeof said - 1, "w");
  EXPECT_EQ(AddToXScreenSaver(file.string(), stdout, err), 2);
  std::fclose(err);
  EXPECT_NE(std::string(said).find("does not exist yet. xscreensaver-settings writes it"), std::string::npos) << said;
  EXPECT_FALSE(std::filesystem::exists(file));

  testing::WriteText(file, "timeout: 0:10:00\n");
  err = ::fmemopen(said, sizeof said - 1, "w");
  EXPECT_EQ(AddToXScreenSaver(file.string(), stdout, err), 2);
  std::fclose(err);
  EXPECT_NE(std::string(said).find("has no programs: list"), std::string::npos) << said;
  EXPECT_EQ(testing::ReadText(file), "timeout: 0:10:00\n");
}

}  // namespace
}  // namespace velmo
