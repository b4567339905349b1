#include "app/run_mode.h"

#include <cctype>

namespace velmo {

RunMode ChooseRunMode(const std::vector<std::string>& args) {
  if (args.empty() || args[0].size() < 2) return RunMode::Saver;
  // The first character is dropped whatever it is (/, - or anything), and
  // only the letter after it counts: "/c:1234" is the settings mode.
  switch (std::toupper(static_cast<unsigned char>(args[0][1]))) {
    case 'P': return RunMode::Preview;
    case 'C': return RunMode::Settings;
    case 'A': return RunMode::Password;
    default: return RunMode::Saver;
  }
}

}  // namespace velmo
