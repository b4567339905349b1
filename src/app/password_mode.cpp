// SPDX-License-Identifier: MIT
#include "app/password_mode.h"

#include "app/convert.h"

namespace velmo {

void RunPasswordChange(const std::string& parentArg, IModuleLoader& modules, IApplication& app) {
  // Without a parent (as velmo(6) gives the form) the boxes stand alone.
  const auto parent = parentArg.empty() ? 0u : static_cast<uint32_t>(StrToInt(parentArg));
  ModuleHandle mpr = modules.LoadLibrary("MPR.DLL");
  if (!mpr) {
    // Where no password module exists (every Linux desktop), say so plainly:
    // the screen locker keeps its own password.
    app.MessageBox(nullptr, kNoPasswordChange, "Screen saver", MB_OK);
    return;
  }
  auto change = reinterpret_cast<PwdChangePasswordProc>(modules.GetProcAddress(mpr, "PwdChangePasswordA"));
  if (!change) {
    modules.FreeLibrary(mpr);
    app.MessageBox(nullptr, "PwdChangeProc not found: cannot change password", "Screen saver", MB_OK);
    return;
  }
  change("SCRSAVE", parent, 0, 0);
  modules.FreeLibrary(mpr);
}

}  // namespace velmo
