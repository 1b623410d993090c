// The sample game in examples/ converts cleanly with the real program.
// POSIX only (left out of the Windows build): it runs the program through the POSIX shell. For
// Windows, CI converts the sample game under Wine and compares the outputs with these.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "driver/routes.h"
#include "temp_dir.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

TEST(Examples, TheSampleGameConverts) {
  TempDir dir;
  fs::copy(KELV_EXAMPLES "/game", dir.path(), fs::copy_options::recursive);
  std::string command = std::string(KELV_BINARY) + " --yes";
  int sources = 0;
  for (const std::string& name : dir.names()) {
    EXPECT_NE(find_route(name), nullptr) << name << " is not a source kelvconv knows";
    command += " '" + (dir / name) + "'";
    ++sources;
  }
  ASSERT_GE(sources, 2);
  command += " 2>&1";
  std::FILE* p = ::popen(command.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string output;
  for (int c = std::fgetc(p); c != EOF; c = std::fgetc(p))
    output += static_cast<char>(c);
  EXPECT_EQ(::pclose(p), 0) << output;
  EXPECT_EQ(output, "");
  for (const std::string& name : dir.names()) {
    if (fs::path(name).extension() == ".txt") {
      EXPECT_TRUE(fs::is_regular_file(dir / (fs::path(name).stem().string() + ".dat"))) << name;
    }
  }
}

}  // namespace
}  // namespace kelv::test
