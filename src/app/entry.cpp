// SPDX-License-Identifier: MIT
#include "app/entry.h"

#include <cstdio>
#include <exception>

#include "app/add_to_xscreensaver.h"
#include "app/command_line.h"
#include "app/convert.h"

namespace velmo {

int RunEntry(const std::vector<std::string>& args, const RunModes& modes, const char* hostEnv) {
  const TCommandLine line = ParseCommandLine(args);
  if (const std::optional<int> code = AnswerAtOnce(line, stdout, stderr)) return *code;
  if (line.addToXScreenSaver) return AddToXScreenSaver(XScreenSaverFile(), stdout, stderr);
  if (line.idle) return modes.idle(line.afterSeconds);
  // A missing second argument reads as empty: the preview's conversion
  // refuses it; the password change needs no parent.
  const std::string second = args.size() > 1 ? args[1] : std::string();
  try {
    switch (line.mode) {
      case RunMode::Preview: modes.preview(second); break;
      case RunMode::Password: modes.password(second); break;
      case RunMode::Settings: modes.settings(); break;
      case RunMode::Saver: {
        TSaverOptions options = line.saver;
        if (const auto host = ChooseHostWindow(args, hostEnv)) {
          options.place = TSaverOptions::TPlace::Hosted;
          options.hostWindow = host->root ? 0 : uint64_t{host->window};
        } else if (line.ownWindow) {
          options.place = TSaverOptions::TPlace::Window;
        }
        return modes.saver(options) ? kExitDone : kExitFailed;
      }
    }
  } catch (const EConvertError& e) {
    modes.showException(e.what());
    return kExitUsage;
  } catch (const std::exception& e) {
    modes.showException(e.what());
    return kExitFailed;
  } catch (...) {
    modes.showException("Unexpected error.");
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace velmo
