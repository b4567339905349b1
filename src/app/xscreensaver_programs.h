// SPDX-License-Identifier: MIT
#pragma once
// The programs: list of xscreensaver's settings file (~/.xscreensaver), read
// and added to as text, so that every byte of the file but the added line
// stays as it was.
//
// The list is one resource, "programs:", whose value runs on over lines that
// end with a backslash; its entries are separated by the two characters \n.
// An entry is [-] [VISUAL:] ["Name"] COMMAND ARGS..., where a leading dash
// switches it off and VISUAL: is a visual such as GL:.
#include <string>
#include <string_view>

namespace velmo {

struct TProgramsEdit {
  enum class TOutcome {
    kAdded,       // text is the whole file with the entry added
    kListed,      // the program is in the list and switched on; text is empty
    kListedOff,   // the program is in the list, switched off; text is empty
    kNoList,      // the file has no programs: resource; text is empty
  };
  TOutcome outcome = TOutcome::kNoList;
  std::string text;
};

// Adds the entry `command` (its first word naming the program, "velmo
// --root") at the end of the programs: list of the file `file`, as a line
// of its own in the layout xscreensaver writes; unless an entry already
// runs that program (by the last part of its first word's path). Where the
// file has several programs: resources, the last counts, as for xscreensaver.
TProgramsEdit AddToPrograms(std::string_view file, std::string_view command);

}  // namespace velmo
