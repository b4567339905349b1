// SPDX-License-Identifier: MIT
#include "app/add_to_xscreensaver.h"

#include <limits.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/xscreensaver_programs.h"
#include "platform/posix/atomic_file.h"

namespace velmo {

std::string XScreenSaverFile() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* pw = ::getpwuid(::getuid());
    home = pw ? pw->pw_dir : "";
  }
  return std::string(home) + "/.xscreensaver";
}

int AddToXScreenSaver(const std::string& path, std::FILE* out, std::FILE* err) {
  using O = TProgramsEdit::TOutcome;
  // The file behind the user's link is replaced; the link stays.
  char resolved[PATH_MAX];
  std::string file, why;
  struct stat st {};
  int e = ::realpath(path.c_str(), resolved) ? 0 : errno;
  if (e == 0) e = ReadWholeFile(resolved, &file, &why, &st);
  else why = std::strerror(e);
  if (e) {
    if (e == ENOENT)
      std::fprintf(err,
                   "velmo: %s does not exist yet. xscreensaver-settings writes it the first time a setting is "
                   "changed there; then run velmo --add-to-xscreensaver again.\n",
                   path.c_str());
    else
      std::fprintf(err, "velmo: cannot read %s: %s; nothing was changed.\n", path.c_str(), why.c_str());
    return 2;
  }
  const TProgramsEdit edit = AddToPrograms(file, kXScreenSaverEntry);
  switch (edit.outcome) {
    case O::kListed:
      std::fprintf(out, "velmo: Velmo is in the programs: list of %s already; nothing was changed.\n", path.c_str());
      return 0;
    case O::kListedOff:
      std::fprintf(out,
                   "velmo: Velmo is in the programs: list of %s already, switched off (its entry starts with a "
                   "dash; xscreensaver-settings switches it on); nothing was changed.\n",
                   path.c_str());
      return 0;
    case O::kNoList:
      std::fprintf(err,
                   "velmo: %s has no programs: list (xscreensaver then uses its own); change any setting in "
                   "xscreensaver-settings, which writes the list, then run velmo --add-to-xscreensaver "
                   "again. Nothing was changed.\n",
                   path.c_str());
      return 2;
    case O::kAdded: break;
  }
  if ((e = WriteFileAtomically(resolved, edit.text, 0644, &why, &st))) {
    if (e == EAGAIN)
      std::fprintf(err, "velmo: %s was changed while Velmo was being added; nothing was changed: run it again.\n",
                   path.c_str());
    else
      std::fprintf(err, "velmo: cannot write %s: %s; nothing was changed.\n", path.c_str(), why.c_str());
    return 2;
  }
  std::fprintf(out,
               "velmo: added \"%s\" to the programs: list of %s. Choose Velmo in xscreensaver-settings (mode "
               "\"Only One Screen Saver\") to see it; the daemon reads the list again by itself.\n",
               kXScreenSaverEntry, path.c_str());
  return 0;
}

}  // namespace velmo
