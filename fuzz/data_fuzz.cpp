// Data files of any bytes through the dump (text and JSON) and the decompiler: the first byte
// picks the kind from the route table, the rest is the file. Nothing may crash, hang or take
// memory that the file's numbers dictate (fuzz/run.sh bounds the memory of a run), and every
// problem must name where it is.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "inspect/inspect.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const kelv::Route& route = kelv::fuzz::route_for(data[0]);
  const std::span<const unsigned char> file(data + 1, size - 1);
  const auto problems = kelv::dump_text(&route, route.name, file, [](std::string_view) {});
  std::vector<kelv::DataProblem> json_problems;
  kelv::dump_json(&route, route.name, file, json_problems);
  if (json_problems.size() != problems.size()) kelv::fuzz::fail(route.name, "the dumps disagree");
  const kelv::Decompiled back = kelv::decompile(route, route.name, file);
  for (const kelv::DataProblem& p : back.problems) {
    if (p.at > file.size()) kelv::fuzz::fail(route.name, "a problem beyond the file's end");
  }
  return 0;
}
