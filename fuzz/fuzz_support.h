// What the fuzz targets share: a conversion run the way the driver runs it, into memory, with
// every result checked, and the route an input byte picks from the route table (so converters
// added to the table later are fuzzed without any edit here).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/converter.h"
#include "driver/routes.h"
#include "format/line_reader.h"
#include "format/report.h"
#include "inspect/inspect.h"

namespace kelv::fuzz {

// A finding: says what and where, and stops the fuzzer with the input that led here.
[[noreturn]] inline void fail(std::string_view where, std::string_view what) {
  std::fprintf(stderr, "FINDING: %.*s: %.*s\n", static_cast<int>(where.size()), where.data(),
               static_cast<int>(what.size()), what.data());
  std::abort();
}

// Every finding the rules report names a physical line of the source.
class CheckingReport final : public Report {
 public:
  explicit CheckingReport(std::string_view where) : where_(where) {}
  void note(const Finding& f) override {
    if (f.line == 0) fail(where_, "a finding without a line number");
  }

 private:
  std::string_view where_;
};

// The route an input byte picks: every route of the table in turn.
inline const Route& route_for(unsigned char byte) {
  const std::span<const Route> routes = route_table();
  return routes[byte % routes.size()];
}

// Reads `source`, writes the data file into memory and checks it, then releases: one path of a
// run, as the driver handles it. With `round_trip`, the data file must also decompile into a
// source that converts back to the same bytes.
inline void convert_and_check(const Route& route, Converter& converter, std::string_view source,
                              bool round_trip = false) {
  MemorySource in(source);
  CheckingReport report(route.name);
  if (converter.read(in, report)) {
    MemorySink data;
    DataWriter writer(data);
    converter.write(writer);
    // Read back by its kind's layout, every data size agrees with the bytes that follow.
    for (const DataProblem& p : dump_text(&route, route.name, data.bytes, [](std::string_view) {}))
      fail(route.name, "offset " + std::to_string(p.at) + ": " + p.field + ": " + p.message);
    if (round_trip) {
      const Decompiled back = decompile(route, route.name, data.bytes);
      if (!back.problems.empty()) {
        const DataProblem& p = back.problems.front();
        fail(route.name, "no exact decompile: offset " + std::to_string(p.at) + ": " + p.field +
                             ": " + p.message);
      }
    }
  } else if (converter.refusal().empty()) {
    fail(route.name, "a source refused without a reason");
  }
  converter.release();
}

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace kelv::fuzz
