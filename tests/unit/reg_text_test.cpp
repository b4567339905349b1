#include "platform/posix/reg_text.h"

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace velmo {
namespace {

constexpr const char* kSection = "HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20";

std::vector<uint8_t> Bytes(std::string_view s, bool terminate) {
  std::vector<uint8_t> v(s.begin(), s.end());
  if (terminate) v.push_back(0);
  return v;
}

std::vector<std::string> Format(std::string name, uint32_t type, std::vector<uint8_t> data) {
  return FormatRegValue({std::move(name), type, std::move(data)});
}

TEST(RegText, EncodingsOfEachType) {
  EXPECT_EQ(Format("NumBirds", REG_DWORD, {0x1c, 0, 0, 0}), (std::vector<std::string>{"\"NumBirds\"=dword:0000001c"}));
  EXPECT_EQ(Format("Neg", REG_DWORD, {0xfe, 0xff, 0xff, 0xff}), (std::vector<std::string>{"\"Neg\"=dword:fffffffe"}));
  EXPECT_EQ(Format("Path", REG_SZ, Bytes("C:\\a \"b\"", true)),
            (std::vector<std::string>{R"("Path"="C:\\a \"b\"")"}));
  EXPECT_EQ(Format("Ex", REG_EXPAND_SZ, Bytes("%A%", true)),
            (std::vector<std::string>{"\"Ex\"=hex(2):25,00,41,00,25,00,00,00"}));
  EXPECT_EQ(Format("Bin", REG_BINARY, {0xde, 0xad}), (std::vector<std::string>{"\"Bin\"=hex:de,ad"}));
  EXPECT_EQ(Format("Empty", REG_BINARY, {}), (std::vector<std::string>{"\"Empty\"=hex:"}));
  EXPECT_EQ(Format("", REG_SZ, Bytes("default", true)), (std::vector<std::string>{"@=\"default\""}));
  // What a quoted string cannot carry goes out as bytes.
  EXPECT_EQ(Format("Lines", REG_SZ, Bytes("a\nb", true)),
            (std::vector<std::string>{"\"Lines\"=hex(1):61,0a,62,00"}));
  EXPECT_EQ(Format("Short", REG_DWORD, {1, 2}), (std::vector<std::string>{"\"Short\"=hex(4):01,02"}));
}

TEST(RegText, EveryEncodingReadsBackAsWritten) {
  const std::vector<RegValue> values = {
      {"NumBirds", REG_DWORD, {7, 0, 0, 0}},
      {"Quote\"And\\Slash", REG_SZ, Bytes("x\\\"y\\", true)},
      {"Ümlaut", REG_EXPAND_SZ, Bytes("%HOME%\\Möwe \xF0\x9F\x90\xA6", true)},
      {"Long", REG_BINARY, std::vector<uint8_t>(100, 0xab)},
      {"Multi", 7, Bytes(std::string_view("a\0b\0", 4), true)},
      {"Unterminated", REG_SZ, Bytes("abc", false)},
  };
  for (const RegValue& v : values) {
    const std::vector<std::string> lines = FormatRegValue(v);
    std::string text = "REGEDIT4\n\n[" + std::string(kSection) + "]\n";
    for (const auto& l : lines) {
      EXPECT_LE(l.size(), 80u) << v.name;
      text += l + "\n";
    }
    const auto back = RegDocument::Parse(text).Find(kSection, v.name);
    ASSERT_TRUE(back.has_value()) << v.name;
    EXPECT_EQ(back->type, v.type) << v.name;
    EXPECT_EQ(back->data, v.data) << v.name;
  }
}

TEST(RegText, HandEditedForms) {
  const std::string text =
      "REGEDIT4\r\n\r\n[hkey_current_user\\software\\corvane\\velmo20]\r\n"
      "  \"Upper\" = DWORD:0000ABCD  \r\n"
      "\"Wrapped\"=hex:01,02,\\\r\n"
      "  03,04\r\n"
      "\"Short\"=dword:1f\r\n";
  const RegDocument doc = RegDocument::Parse(text);
  EXPECT_TRUE(doc.HasSection(kSection));
  auto upper = doc.Find(kSection, "upper");
  ASSERT_TRUE(upper);
  EXPECT_EQ(upper->data, (std::vector<uint8_t>{0xcd, 0xab, 0, 0}));
  auto wrapped = doc.Find(kSection, "Wrapped");
  ASSERT_TRUE(wrapped);
  EXPECT_EQ(wrapped->data, (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(doc.Find(kSection, "Short")->data, (std::vector<uint8_t>{0x1f, 0, 0, 0}));
  EXPECT_EQ(doc.Serialize(), text);  // untouched, it comes back byte for byte
}

TEST(RegText, BrokenLinesAreNotValuesButStayPut) {
  const std::string text =
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20]\n"
      "\"Big\"=dword:123456789\n"
      "\"Letters\"=dword:xyz\n"
      "\"Open\"=\"no end\n"
      "\"Trail\"=\"text\" junk\n"
      "\"Bytes\"=hex:1,,2\n"
      "\"Wide\"=hex:100\n"
      "; a comment\n"
      "garbage without quotes\n"
      "\"Deleted\"=-\n";
  RegDocument doc = RegDocument::Parse(text);
  for (const char* name : {"Big", "Letters", "Open", "Trail", "Bytes", "Wide", "Deleted"})
    EXPECT_FALSE(doc.Find(kSection, name).has_value()) << name;
  doc.Set(kSection, {"New", REG_DWORD, {1, 0, 0, 0}});
  EXPECT_EQ(doc.Serialize(), text + "\"New\"=dword:00000001\n");
}

TEST(RegText, ValuesOutsideTheirSectionAreNotTheKeys) {
  const RegDocument doc = RegDocument::Parse(
      "REGEDIT4\n\"Stray\"=dword:00000001\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\n\"NumBirds\"=dword:00000003\n");
  EXPECT_FALSE(doc.HasSection(kSection));
  EXPECT_FALSE(doc.Find(kSection, "NumBirds"));
  EXPECT_FALSE(doc.Find(kSection, "Stray"));
}

TEST(RegText, SetReplacesTheLastDefinitionInPlace) {
  const std::string head = "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20]\n";
  RegDocument doc = RegDocument::Parse(head +
                                       "\"A\"=dword:00000001\n\"B\"=hex:01,\\\n  02\n\"A\"=dword:00000002\n"
                                       "\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\n\"A\"=dword:00000009\n");
  EXPECT_EQ(doc.Find(kSection, "A")->data[0], 2);  // the last one wins, as on import
  doc.Set(kSection, {"a", REG_DWORD, {5, 0, 0, 0}});
  doc.Set(kSection, {"B", REG_DWORD, {6, 0, 0, 0}});
  doc.Set(kSection, {"C", REG_DWORD, {7, 0, 0, 0}});
  EXPECT_EQ(doc.Serialize(), head +
                                 "\"A\"=dword:00000001\n\"B\"=dword:00000006\n\"a\"=dword:00000005\n"
                                 "\"C\"=dword:00000007\n"
                                 "\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\n\"A\"=dword:00000009\n");
}

// Files whose key, or whose last line, ends in a line asking for a
// continuation (hand-edited, or cut short): the value added must neither be
// read as part of that line nor move or change anything else.
TEST(RegText, AnAddedValueNeverJoinsAContinuedLine) {
  const std::string head = "REGEDIT4\n\n[" + std::string(kSection) + "]\n";
  struct Case {
    const char* what;
    std::string before, after;
  };
  const Case cases[] = {
      {"a hex list continued onto a line that ends in a comment and a backslash",
       head + "\"Gamma\"=dword:00000080\n\"Path\"=hex(1):25,00,41,00,\\\n  00,00 ;\\\n",
       head + "\"Gamma\"=dword:00000080\n\"NumBirds\"=dword:00000007\n\"Path\"=hex(1):25,00,41,00,\\\n  00,00 ;\\\n"},
      {"a line with two backslashes after a blank one",
       head + "\"Gamma\"=dword:00000080\n\n\"X\"=hex:01 ;\\\\\n",
       head + "\"Gamma\"=dword:00000080\n\"NumBirds\"=dword:00000007\n\n\"X\"=hex:01 ;\\\\\n"},
      {"a new key after another key's continued last line",
       "REGEDIT4\n\n[Other]\n\"Gamma\"=hex:01 ;\\\\\n",
       "REGEDIT4\n\n" + head.substr(10) + "\"NumBirds\"=dword:00000007\n\n[Other]\n\"Gamma\"=hex:01 ;\\\\\n"},
      {"the same, cut to its shortest", "[]\n\"\"=hex:;\\\\",
       head.substr(10) + "\"NumBirds\"=dword:00000007\n\n[]\n\"\"=hex:;\\\\\n"},
  };
  for (const Case& c : cases) {
    RegDocument doc = RegDocument::Parse(c.before);
    const RegDocument original = doc;
    doc.Set(kSection, {"NumBirds", REG_DWORD, {7, 0, 0, 0}});
    EXPECT_EQ(doc.Serialize(), c.after) << c.what;
    const RegDocument back = RegDocument::Parse(doc.Serialize());
    const auto birds = back.Find(kSection, "NumBirds");
    EXPECT_TRUE(birds && birds->data == std::vector<uint8_t>({7, 0, 0, 0})) << c.what;
    for (const char* section : {kSection, "Other", ""}) {
      for (const char* name : {"Gamma", "Path", "X", ""}) {
        const auto before = original.Find(section, name), after = back.Find(section, name);
        EXPECT_EQ(before.has_value(), after.has_value()) << c.what << ": " << name;
        if (before && after) {
          EXPECT_EQ(before->data, after->data) << c.what << ": " << name;
        }
      }
    }
  }
}

TEST(RegText, NewSectionsAndTheFileHeader) {
  RegDocument empty = RegDocument::Parse("");
  EXPECT_TRUE(empty.EnsureSection(kSection));
  EXPECT_FALSE(empty.EnsureSection(kSection));
  EXPECT_EQ(empty.Serialize(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20]\n");

  RegDocument other = RegDocument::Parse("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n\"X\"=\"y\"");
  other.Set(kSection, {"NumBirds", REG_DWORD, {7, 0, 0, 0}});
  EXPECT_EQ(other.Serialize(),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n\"X\"=\"y\"\r\n\r\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20]\r\n\"NumBirds\"=dword:00000007\r\n");
}

TEST(RegText, StrayCarriageReturnsAndCommentsAsRegeditTakesThem) {
  // Doubled CRs end lines in both CRLF and LF files; a header or a value may
  // carry a comment after it.
  for (const char* eol : {"\r\n", "\n"}) {
    const std::string text = std::string("REGEDIT4") + eol + eol + "[" + kSection + "]  ; mine\r\r\n" +
                             "\"Gamma\"=dword:00000080 ; dimmer\r\r\n\"Title\"=\"dusk\"\t; note" + eol +
                             "\"Bytes\"=hex:01,02 ; two" + eol + "; \"NumBirds\"=dword:00000009\r\r\n";
    RegDocument doc = RegDocument::Parse(text);
    ASSERT_TRUE(doc.HasSection(kSection));
    EXPECT_EQ(doc.Find(kSection, "Gamma")->data[0], 0x80);
    EXPECT_EQ(doc.Find(kSection, "Title")->data, Bytes("dusk", true));
    EXPECT_EQ(doc.Find(kSection, "Bytes")->data, (std::vector<uint8_t>{1, 2}));
    EXPECT_FALSE(doc.Find(kSection, "NumBirds"));
    EXPECT_FALSE(doc.EnsureSection(kSection)) << "no second set of values";
    doc.Set(kSection, {"clockX", REG_DWORD, {5, 0, 0, 0}});
    const RegDocument back = RegDocument::Parse(doc.Serialize());
    for (const char* name : {"Gamma", "Title", "Bytes", "clockX"})
      EXPECT_EQ(back.Find(kSection, name)->data, doc.Find(kSection, name)->data) << name;
    EXPECT_FALSE(back.Find(kSection, "NumBirds")) << "a save must not bring a commented value to life";
  }
  // A ']' inside a key name is part of it; text after the header is not.
  EXPECT_TRUE(RegDocument::Parse("[A]B] ; x [y]\n").HasSection("A]B"));
  EXPECT_FALSE(RegDocument::Parse("[A] junk\n").HasSection("A"));
}

TEST(RegText, Utf16OfExpandStrings) {
  EXPECT_EQ(NarrowToUtf16le(Bytes("\xC3\xA9", true)), (std::vector<uint8_t>{0xe9, 0, 0, 0}));
  EXPECT_EQ(Utf16leToNarrow({0x3d, 0xd8, 0x26, 0xdc, 0, 0}), Bytes("\xF0\x9F\x90\xA6", true));
  EXPECT_EQ(Utf16leToNarrow({0x41, 0, 0x42}), Bytes("A", false));  // an odd last byte is dropped
  // What is not UTF-8 becomes U+FFFD per bad byte; a byte order mark says
  // the order and is dropped; a lone surrogate becomes '?'.
  EXPECT_EQ(NarrowToUtf16le(Bytes("\xEF\xBB\xBF" "a\xC0\xAF\xE2\x82", false)),
            (std::vector<uint8_t>{0x61, 0, 0xfd, 0xff, 0xfd, 0xff, 0xfd, 0xff, 0xfd, 0xff}));
  EXPECT_EQ(Utf16leToNarrow({0xfe, 0xff, 0, 0x41, 0xd8, 0x3d}), Bytes("A?", false));
  EXPECT_EQ(Utf16leToNarrow({0x00, 0xdc, 0x42, 0}), Bytes("?B", false));
}

}  // namespace
}  // namespace velmo
