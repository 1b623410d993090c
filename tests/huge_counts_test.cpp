// Huge declared counts: a table whose bytes would not fit the 32-bit data size of its field is
// refused before anything is allocated, one that fits is made; and every converter of the
// catalogue, fed huge counts in every section it knows, neither crashes nor takes memory for them,
// and still writes a file that its kind's layout reads back exactly.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "convert/catalog.h"
#include "convert/world/treasure_list.h"
#include "format/table.h"
#include "inspect/inspect.h"
#include "support.h"

namespace kelv::test {
namespace {

constexpr std::int64_t kMaxData = std::numeric_limits<std::int32_t>::max();

// What is wrong with `bytes` read back by the layout of `kind` (every data size must agree with
// the bytes that follow, and the shop list's last field count 16 more per shop); empty when
// nothing is.
std::string read_back(const Kind& kind, std::span<const unsigned char> bytes) {
  std::string out;
  for (const DataProblem& p : dump_text(&kind, kind.source, bytes, [](std::string_view) {}))
    out += describe(p) + "\n";
  return out;
}

// Every section name of every kind.
std::vector<std::string> every_tag() {
  std::vector<std::string> tags;
  for (const Kind& k : catalog()) {
    for (const auto& group : k.vocabulary().groups) {
      for (const SectionShape& s : group)
        tags.emplace_back(s.name);
    }
  }
  return tags;
}

template <std::size_t N>
struct Record {
  char bytes[N];
};

// The largest count a table of N-byte records takes is made (zero-filled, address space only
// until it is filled); one more, and the larger counts a source may give, are refused.
template <std::size_t N>
void check_bounds() {
  SCOPED_TRACE(testing::Message() << N << "-byte records");
  const std::int64_t largest = kMaxData / static_cast<std::int64_t>(N);
  Table<Record<N>> t;
  for (const std::int64_t refused :
       {largest + 1, kMaxData, std::int64_t{1} << 32, std::numeric_limits<std::int64_t>::max(),
        std::int64_t{-1}, std::int64_t{std::numeric_limits<std::int32_t>::min()}}) {
    EXPECT_FALSE(t.make(refused)) << refused;
    EXPECT_FALSE(t.present());
    EXPECT_EQ(t.size(), 0u);
  }
  ASSERT_TRUE(t.make(largest));
  EXPECT_EQ(t.size(), static_cast<std::size_t>(largest));
  EXPECT_EQ(t.at(largest - 1)->bytes[N - 1], 0);
  EXPECT_EQ(t.at(largest), nullptr);
  t.reset();
  EXPECT_FALSE(t.present());
}

TEST(HugeCounts, TablesStopAtTheThirtyTwoBitDataSize) {
  check_bounds<4>();
  check_bounds<12>();
  check_bounds<260>();
  check_bounds<4100>();
}

// A table held in records larger than those written is bound by the bytes written: the treasure
// list holds 52 bytes per treasure and writes 36.
TEST(HugeCounts, TheTreasureListIsBoundByTheBytesItWrites) {
  const std::int64_t largest = kMaxData / 36;
  for (const std::int64_t count : {largest, largest + 1}) {
    TreasureList c;
    const std::string source = "<treasure_number>\n" + std::to_string(count) + "\n";
    MemorySource in(source);
    SilentReport report;
    ASSERT_FALSE(c.read(in, report));
    EXPECT_EQ(c.treasures.table.size(), count == largest ? static_cast<std::size_t>(count) : 0u);
  }
}

struct Built {
  Built() { ++made; }
  static inline int made = 0;
  int value = 0;
};

TEST(HugeCounts, ARefusedTableBuildsNothing) {
  Table<Built> t;
  EXPECT_FALSE(t.make(kMaxData));
  EXPECT_FALSE(t.make(kMaxData / static_cast<std::int64_t>(sizeof(Built)) + 1));
  EXPECT_EQ(Built::made, 0);
  ASSERT_TRUE(t.make(3));
  EXPECT_EQ(Built::made, 3);
}

long peak_kib() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<long>(counters.PeakWorkingSetSize / 1024);
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
#endif
}

// Every section of every converter gets each huge value, after every count section got 1, so
// that tables nested in others exist too.
TEST(HugeCounts, EveryConverterRefusesThemWithoutTakingMemory) {
  std::string counts_of_one;
  for (const std::string& w : every_tag()) {
    if (w.ends_with("_number")) counts_of_one += "<" + w + ">\n1\n</" + w + ">\n";
  }
  Converters converters;
  // What each conversion wrote, read back once the peak is measured (under the sanitizers, the
  // memory the read-backs free is held back for a while and would count).
  struct Written {
    const Kind* kind;
    std::string what;
    std::vector<unsigned char> bytes;
  };
  std::vector<Written> written;
  const long before = peak_kib();
  for (const Kind& kind : catalog()) {
    Converter& converter = converters.of(kind);
    for (const std::string& w : every_tag()) {
      for (const char* value : {"2147483647", "2147483648", "4294967295", "-1", "-2147483648",
                                "1073741824", "536870912", "99999999999999999999"}) {
        const std::string source = counts_of_one + "<" + w + ">\n" + value + "\n</" + w + ">\n";
        MemorySource in(source);
        SilentReport report;
        if (!converter.read(in, report)) {
          MemorySink data;
          DataWriter writer(data);
          converter.write(writer);
          written.push_back(
              {&kind, std::string(kind.source) + " <" + w + "> " + value, std::move(data.bytes)});
        }
        converter.release();
      }
    }
  }
  EXPECT_LT(peak_kib() - before, 256 * 1024) << "KiB more at the peak";
  EXPECT_FALSE(written.empty());
  for (const Written& w : written)
    EXPECT_EQ(read_back(*w.kind, w.bytes), "") << w.what;
}

// Whatever a converter reads, what it writes reads back exactly.
TEST(EveryKind, WritesWhatReadsBackForOddSources) {
  std::string tagged;
  for (const std::string& w : every_tag()) {
    tagged += "<" + w + ">\n3\n1 2 3 word 4.5\n\n" + std::string(300, 'x') + "\n</" + w + ">\n";
  }
  const std::string sources[] = {
      "",
      "\n",
      tagged,
      tagged + tagged,
      std::string("\0\r\n\x1a", 4) + tagged,
      tagged.substr(0, tagged.size() / 2),
  };
  Converters converters;
  for (const Kind& kind : catalog()) {
    for (const std::string& source : sources) {
      Converter& converter = converters.of(kind);
      const Bytes out = convert(converter, source);
      converter.release();
      if (out.empty()) continue;  // refused: nothing written
      EXPECT_EQ(read_back(kind, out), "") << kind.source << " on " << source.size() << " bytes";
    }
  }
}

}  // namespace
}  // namespace kelv::test
