#include "platform/posix/program_section.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/catalogue.h"

namespace velmo {
namespace {

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
}

// The dialog reads the saver's preview picture from the saver's program
// file: the very bytes the saver embeds, and nothing from a file that is no
// whole program.
TEST(ProgramSection, ReadsThePreviewPictureFromAProgramFileAndNothingFromOtherFiles) {
  const resources::Resource* preview = resources::Find("PREV_BITMAP", resources::kTypeBitmap);
  ASSERT_NE(preview, nullptr);
  const std::vector<uint8_t> section = ReadProgramSection("/proc/self/exe", ".velmo_preview");
  ASSERT_GE(section.size(), preview->data.size());
  EXPECT_TRUE(std::equal(preview->data.begin(), preview->data.end(), section.begin()));

  const std::string dir = ::testing::TempDir();
  // The section headers sit at the end of the file.
  std::filesystem::copy_file("/proc/self/exe", dir + "/cut", std::filesystem::copy_options::overwrite_existing);
  std::filesystem::resize_file(dir + "/cut", std::filesystem::file_size(dir + "/cut") * 2 / 3);
  Write(dir + "/text", {'h', 'e', 'l', 'l', 'o'});
  struct Case {
    const char* what;
    std::string path, name;
  };
  const Case cases[] = {
      {"no such section", "/proc/self/exe", ".velmo_none"},
      {"a truncated program", dir + "/cut", ".velmo_preview"},
      {"no program", dir + "/text", ".velmo_preview"},
      {"no file", dir + "/missing", ".velmo_preview"},
      {"a directory", dir, ".velmo_preview"},
  };
  for (const Case& c : cases) EXPECT_TRUE(ReadProgramSection(c.path, c.name).empty()) << c.what;
}

}  // namespace
}  // namespace velmo
