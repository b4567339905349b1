#include "scene/password_check.h"

namespace velmo {

bool SaverPasswordAccepted(Platform& platform) {
  if (platform.system.PlatformId() == VER_PLATFORM_WIN32_NT) return true;
  ModuleHandle cpl = platform.modules.LoadLibrary("PASSWORD.CPL");
  if (!cpl) return true;
  auto verify = reinterpret_cast<VerifyScreenSavePwdProc>(platform.modules.GetProcAddress(cpl, "VerifyScreenSavePwd"));
  if (!verify) {
    platform.modules.FreeLibrary(cpl);
    return true;
  }
  const int answer = verify(0);
  platform.modules.FreeLibrary(cpl);
  return answer != 0;
}

}  // namespace velmo
