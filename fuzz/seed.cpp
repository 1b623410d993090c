// kelv_fuzz_seed FOLDER FILE...: saves each FILE whose name selects a kind as a seed of the
// converters' fuzz target in FOLDER (see tests/seeds.h); other files are passed over.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "convert/catalog.h"
#include "driver/paths.h"
#include "seeds.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER FILE...\n", argv[0]);
    return 2;
  }
  int saved = 0;
  for (int i = 2; i < argc; ++i) {
    const kelv::Kind* kind = kelv::kind_of_source(kelv::base_name(argv[i]));
    std::ifstream in(argv[i], std::ios::binary);
    if (kind == nullptr || !in) continue;
    const std::string source{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!kelv::test::save_seed(argv[1], kind->name(), source)) {
      std::fprintf(stderr, "%s: cannot write a seed for %s\n", argv[0], argv[i]);
      return 1;
    }
    ++saved;
  }
  std::printf("%d seeds from %d files\n", saved, argc - 2);
  return 0;
}
