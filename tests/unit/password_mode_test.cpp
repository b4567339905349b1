#include "app/password_mode.h"

#include <gtest/gtest.h>

#include "app/convert.h"
#include "platform/fake/fake_app.h"
#include "platform/fake/fake_system.h"

namespace velmo {
namespace {

struct ChangeCall {
  std::string provider;
  uint64_t parent = 0;
  uint32_t r1 = 99, r2 = 99;
  int count = 0;
} lastChange;

uint32_t FakePwdChange(const char* provider, uint64_t parent, uint32_t r1, uint32_t r2) {
  lastChange = {provider, parent, r1, r2, lastChange.count + 1};
  return 0;
}

TEST(PasswordChange, WithoutThePasswordModuleOnlyTheFirstMessageIsShownWithOrWithoutAParent) {
  for (const char* parent : {"4660", ""}) {
    FakeModuleLoader modules;
    FakeApplication app;
    RunPasswordChange(parent, modules, app);
    ASSERT_EQ(app.boxes.size(), 1u) << parent;
    EXPECT_EQ(app.boxes[0].text, kNoPasswordChange);
    EXPECT_EQ(app.boxes[0].caption, "Screen saver");
    EXPECT_EQ(app.boxes[0].flags, MB_OK);
    EXPECT_EQ(modules.calls, std::vector<std::string>{"LoadLibrary(MPR.DLL)"});
  }
}

TEST(PasswordChange, AModuleWithoutTheExportIsUnloadedBeforeTheSecondMessage) {
  FakeModuleLoader modules;
  modules.AddModule("MPR.DLL", {});
  FakeApplication app;
  app.onMessageBox = [&] { EXPECT_EQ(modules.loaded, 0) << "the module must be freed before the box"; };
  lastChange = {};
  RunPasswordChange("4660", modules, app);
  ASSERT_EQ(app.boxes.size(), 1u);
  EXPECT_EQ(app.boxes[0].text, "PwdChangeProc not found: cannot change password");
  EXPECT_EQ(app.boxes[0].caption, "Screen saver");
  EXPECT_EQ(lastChange.count, 0);
  EXPECT_EQ(modules.loaded, 0);
}

TEST(PasswordChange, TheSystemFunctionIsCalledWithTheParentAndTheModuleFreed) {
  FakeModuleLoader modules;
  modules.AddModule("MPR.DLL", {{"PwdChangePasswordA", reinterpret_cast<void*>(&FakePwdChange)}});
  FakeApplication app;
  lastChange = {};
  RunPasswordChange("4660", modules, app);
  EXPECT_TRUE(app.boxes.empty());
  EXPECT_EQ(lastChange.count, 1);
  EXPECT_EQ(lastChange.provider, "SCRSAVE");
  EXPECT_EQ(lastChange.parent, 4660u);
  EXPECT_EQ(lastChange.r1, 0u);
  EXPECT_EQ(lastChange.r2, 0u);
  EXPECT_EQ(modules.loaded, 0);
}

TEST(PasswordChange, ABadParentHandleIsAConversionErrorBeforeAnythingLoads) {
  FakeModuleLoader modules;
  FakeApplication app;
  EXPECT_THROW(RunPasswordChange("x12", modules, app), EConvertError);
  EXPECT_TRUE(modules.calls.empty());
  EXPECT_TRUE(app.boxes.empty());
}

}  // namespace
}  // namespace velmo
