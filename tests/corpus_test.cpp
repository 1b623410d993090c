// The committed fuzz corpora replayed through the properties the fuzz targets check (see
// fuzz/properties.h), without libFuzzer: every input that once reached new code must still
// convert, read back and decompile exactly. One test per target.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "files_support.h"
#include "properties.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

struct Finding : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void replay(const std::string& target, void (*property)(fuzz::Input)) {
  fuzz::FindingHandler before = fuzz::on_finding();
  fuzz::on_finding() = [](const std::string& finding) { throw Finding(finding); };
  std::size_t replayed = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(KELV_CORPORA) / target)) {
    const std::vector<unsigned char> input = read_file(utf8(entry.path()));
    try {
      property(input);
    } catch (const Finding& f) {
      ADD_FAILURE() << utf8(entry.path()) << ": " << f.what();
    }
    ++replayed;
  }
  fuzz::on_finding() = before;
  EXPECT_GT(replayed, 10u) << "the corpus of " << target << " is nearly empty";
}

TEST(Corpus, Lines) {
  replay("lines", fuzz::lines_property);
}
TEST(Corpus, Converters) {
  replay("converters", fuzz::converters_property);
}
TEST(Corpus, Files) {
  replay("files", fuzz::files_property);
}
TEST(Corpus, Data) {
  replay("data", fuzz::data_property);
}
TEST(Corpus, Lsp) {
  replay("lsp", fuzz::lsp_property);
}

}  // namespace
}  // namespace kelv::test
