#include "components/setreg.h"

#include <gtest/gtest.h>

#include "fakes/velmo_store.h"
#include "platform/fake/fake_registry.h"

namespace velmo {
namespace {

constexpr const char* kKey = FakeRegistry::kVelmoKey;

class SetRegTest : public ::testing::Test {
 protected:
  // Runs f and returns the text of the registry error it raised.
  template <typename F>
  std::string ErrorOf(F f) {
    try {
      f();
    } catch (const ERegistryException& e) {
      return e.what();
    }
    return "(no error)";
  }

  FakeRegistry registry;
  testing::VelmoStore store{registry};
};

TEST_F(SetRegTest, ReadOfAnAbsentKeyIsFalseAndLeavesTheVariables) {
  int number = 42;
  bool flag = true;
  std::string text = "kept";
  EXPECT_FALSE(store.Read("NumBirds", &number));
  EXPECT_FALSE(store.Read("flag_clock", &flag));
  EXPECT_FALSE(store.Read("Title", &text));
  EXPECT_EQ(number, 42);
  EXPECT_TRUE(flag);
  EXPECT_EQ(text, "kept");
  EXPECT_FALSE(registry.HasKey(kKey));  // reading never creates
  for (const auto& c : registry.calls) EXPECT_EQ(c.op, "RegOpenKeyEx");
}

TEST_F(SetRegTest, EncodingsOfTheThreeKinds) {
  EXPECT_TRUE(store.Write("Neg", -2));
  EXPECT_TRUE(store.Write("Yes", true));
  EXPECT_TRUE(store.Write("No", false));
  EXPECT_TRUE(store.Write("Title", "dusk"));
  const auto* neg = registry.Get(kKey, "Neg");
  ASSERT_NE(neg, nullptr);
  EXPECT_EQ(neg->type, REG_DWORD);
  EXPECT_EQ(neg->data, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(registry.Get(kKey, "Yes")->data, (std::vector<uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(registry.Get(kKey, "No")->data, (std::vector<uint8_t>{0, 0, 0, 0}));
  const auto* title = registry.Get(kKey, "Title");
  EXPECT_EQ(title->type, REG_SZ);
  EXPECT_EQ(title->data, (std::vector<uint8_t>{'d', 'u', 's', 'k', 0}));

  int number = 0;
  bool flag = false;
  std::string text;
  EXPECT_TRUE(store.Read("Neg", &number));
  EXPECT_EQ(number, -2);
  EXPECT_TRUE(store.Read("Yes", &flag));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(store.Read("Title", &text));
  EXPECT_EQ(text, "dusk");
  EXPECT_EQ(registry.OpenHandles(), 0u) << "every call closes the key it opened";
}

TEST_F(SetRegTest, FirstWriteCreatesTheKey) {
  EXPECT_FALSE(registry.HasKey(kKey));
  EXPECT_TRUE(store.Write("clockX", 934));
  EXPECT_TRUE(registry.HasKey(kKey));
  EXPECT_EQ(registry.Dword(kKey, "clockX"), 934);
}

TEST_F(SetRegTest, ADwordOfFiveIsTrueAndFive) {
  registry.PutDword(kKey, "Gamma", 5);
  bool flag = false;
  int number = 0;
  EXPECT_TRUE(store.Read("Gamma", &flag));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(store.Read("Gamma", &number));
  EXPECT_EQ(number, 5);
}

TEST_F(SetRegTest, IntegerReadOfAShortStringIsTheWrongType) {
  registry.PutString(kKey, "NumBirds", "12");  // 3 bytes with the terminator
  int number = 3;
  EXPECT_EQ(ErrorOf([&] { store.Read("NumBirds", &number); }), "Invalid data type for 'NumBirds'");
  EXPECT_EQ(number, 3);
  bool flag = false;
  EXPECT_EQ(ErrorOf([&] { store.Read("NumBirds", &flag); }), "Invalid data type for 'NumBirds'");
  EXPECT_EQ(registry.OpenHandles(), 0u);  // closed despite the error
}

TEST_F(SetRegTest, IntegerReadOfALongerValueCannotGetTheData) {
  registry.PutString(kKey, "NumBirds", "1234");  // 5 bytes
  int number = 3;
  EXPECT_EQ(ErrorOf([&] { store.Read("NumBirds", &number); }), "Failed to get data for 'NumBirds'");
  EXPECT_EQ(number, 3);
  registry.PutRaw(kKey, "Wide", REG_DWORD, {1, 2, 3, 4, 5});
  EXPECT_EQ(ErrorOf([&] { store.Read("Wide", &number); }), "Failed to get data for 'Wide'");
}

TEST_F(SetRegTest, AbsentValueInAnExistingKey) {
  registry.CreateKey(kKey);
  int number = 9;
  EXPECT_EQ(ErrorOf([&] { store.Read("clockY", &number); }), "Failed to get data for 'clockY'");
  EXPECT_EQ(number, 9);
  std::string text = "old";
  EXPECT_TRUE(store.Read("Missing", &text));
  EXPECT_EQ(text, "");
}

TEST_F(SetRegTest, StringReads) {
  registry.PutRaw(kKey, "Expand", REG_EXPAND_SZ, {'%', 'H', '%', 0});
  registry.PutRaw(kKey, "Cut", REG_SZ, {'a', 'b', 0, 'c', 0});
  registry.PutRaw(kKey, "Empty", REG_BINARY, {});
  registry.PutDword(kKey, "Number", 1);
  std::string text;
  EXPECT_TRUE(store.Read("Expand", &text));
  EXPECT_EQ(text, "%H%");  // not expanded
  EXPECT_TRUE(store.Read("Cut", &text));
  EXPECT_EQ(text, "ab");
  text = "x";
  EXPECT_TRUE(store.Read("Empty", &text));  // size 0 reads as empty, whatever the type
  EXPECT_EQ(text, "");
  text = "kept";
  EXPECT_EQ(ErrorOf([&] { store.Read("Number", &text); }), "Invalid data type for 'Number'");
  EXPECT_EQ(text, "kept");
}

TEST_F(SetRegTest, RejectedWriteRaisesNamingTheValue) {
  registry.setErrorFor["Gamma"] = ERROR_ACCESS_DENIED;
  EXPECT_EQ(ErrorOf([&] { store.Write("Gamma", 100); }), "Failed to set data for 'Gamma'");
  EXPECT_EQ(ErrorOf([&] { store.Write("Gamma", true); }), "Failed to set data for 'Gamma'");
  EXPECT_EQ(ErrorOf([&] { store.Write("Gamma", "x"); }), "Failed to set data for 'Gamma'");
  EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(SetRegTest, KeyThatCannotBeOpenedOrCreatedIsFalseWithoutError) {
  registry.createError = ERROR_ACCESS_DENIED;
  EXPECT_FALSE(store.Write("NumBirds", 1));
  EXPECT_FALSE(registry.HasKey(kKey));
  registry.PutDword(kKey, "NumBirds", 4);
  registry.openError = ERROR_ACCESS_DENIED;
  int number = 0;
  EXPECT_FALSE(store.Read("NumBirds", &number));
  EXPECT_EQ(number, 0);
}

TEST_F(SetRegTest, NamesWithFormatCharactersAreShownAsTheyAre) {
  registry.CreateKey(kKey);
  int number = 0;
  EXPECT_EQ(ErrorOf([&] { store.Read("%s%n%d", &number); }), "Failed to get data for '%s%n%d'");
}

}  // namespace
}  // namespace velmo
