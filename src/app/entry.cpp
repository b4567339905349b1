#include "app/entry.h"

#include <exception>

namespace velmo {

int RunEntry(const std::vector<std::string>& args, const RunModes& modes, const char* hostEnv) {
  // A missing second argument reads as empty, which the conversion refuses.
  const std::string second = args.size() > 1 ? args[1] : std::string();
  try {
    switch (ChooseRunMode(args)) {
      case RunMode::Preview: modes.preview(second); break;
      case RunMode::Password: modes.password(second); break;
      case RunMode::Settings: modes.settings(); break;
      case RunMode::Saver:
        if (const auto host = ChooseHostWindow(args, hostEnv)) modes.hosted(*host);
        else modes.saver();
        break;
    }
  } catch (const std::exception& e) {
    modes.showException(e.what());
  } catch (...) {
    modes.showException("Unexpected error.");
  }
  return 0;
}

}  // namespace velmo
