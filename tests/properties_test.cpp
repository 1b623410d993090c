// Rules that hold for every kind of the catalogue, on the sources the project already has: the
// sample game's and the cases'. Each test is listed once per kind: a kind added to the catalogue
// is added to each rule. The first three run the driver on real files. (The fuzz corpora go
// through the same round trip without the driver: corpus_test.cpp.)
//   Independence  a file converted after others of its kind in one run gives the bytes it gives
//                 alone, but for the fields of the sections whose values carry over: one the
//                 file gives no line of holds what the file before it wrote;
//   Repetition    the same source twice in one run gives the same bytes twice, by the same rule;
//   RoundTrip     a data file decompiles into a source that converts back to the same bytes,
//                 and that --check finds nothing in where the first source told nothing;
//   FindingsTold  what a finding tells of a record, a value or a count of the data file written
//                 is what the file holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "convert/catalog.h"
#include "files_support.h"
#include "format/keyed_file.h"
#include "inspect/carry_over.h"
#include "inspect/diagnostics.h"
#include "inspect/inspect.h"
#include "support.h"

namespace kelv {

// A kind in the tests' listing: its name (the parameter's printer is found beside Kind).
static void PrintTo(const Kind* kind, std::ostream* out) {
  *out << kind->name();
}

}  // namespace kelv

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

struct Sample {
  std::string from;  // where it was found, for messages
  std::string source;
};

// A case's own source: "<case>.txt" or "<case>.<number>.txt".
bool own_source(const std::string& name) {
  const std::size_t dot = name.find('.');
  const std::string rest = name.substr(dot + 1);
  const std::string middle = rest.substr(0, rest.rfind('.'));
  return rest.ends_with("txt") &&
         (rest == "txt" || std::ranges::all_of(middle, [](char c) { return c >= '0' && c <= '9'; }));
}

// The sources of `kind` in the sample game and the cases, in the order of their paths.
std::vector<Sample> samples_of(const Kind& kind) {
  std::vector<Sample> samples;
  for (const auto& f : fs::directory_iterator(fs::path(KELV_EXAMPLES) / "game")) {
    if (kind_of_source(utf8(f.path().filename())) == &kind)
      samples.push_back({utf8(f.path()), file_text(utf8(f.path()))});
  }
  const fs::path cases = fs::path(KELV_CASES) / std::string(kind.name());
  for (const auto& f : fs::directory_iterator(cases)) {
    if (own_source(utf8(f.path().filename())))
      samples.push_back({utf8(f.path()), file_text(utf8(f.path()))});
  }
  std::ranges::sort(samples, {}, &Sample::from);
  return samples;
}

// What the driver told: every error and finding.
class TellingConsole final : public Console {
 public:
  Answer ask_overwrite(const std::string&) override { return Answer::CannotAsk; }
  void cannot_create(const std::string& output, const Problem& reason) override {
    told += output + ": " + reason + "\n";
  }
  void error(std::string_view line) override { told += std::string(line) + "\n"; }
  void info(std::string_view) override {}
  void summary(const RunSummary&) override {}
  std::string told;
};

// A source of `kind` in a run: its name, in a folder of its own.
std::string source_name(const Kind& kind) {
  return std::string(kind.source) + (kind.match == Match::PrefixTxt ? ".txt" : "");
}

std::string data_name(const Kind& kind) {
  const std::string source = source_name(kind);
  return source.substr(0, source.size() - 4) + ".dat";
}

using Output = std::optional<Bytes>;  // none: nothing written

// The sources converted in one run, in order, each in folder 1/, 2/, ...; what each wrote.
std::vector<Output> one_run(const Kind& kind, const std::vector<const Sample*>& sources) {
  TempDir dir;
  std::vector<std::string> args{"-y"};
  for (std::size_t i = 0; i < sources.size(); ++i) {
    fs::create_directories(fs_path(dir / std::to_string(i + 1)));
    args.push_back(dir / (std::to_string(i + 1) + "/" + source_name(kind)));
    write_file(args.back(), sources[i]->source);
  }
  TellingConsole console;
  run_driver(args, system_files(), console);
  std::vector<Output> outputs;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const std::string data = dir / (std::to_string(i + 1) + "/" + data_name(kind));
    outputs.push_back(fs::exists(fs_path(data)) ? Output(read_file(data)) : std::nullopt);
  }
  return outputs;
}

// The fields of a keyed data file by name, in their order, after its field count (which counts
// the fields a writer leaves out as well); none when the bytes are no such file.
using Fields = std::vector<std::pair<std::string, Bytes>>;

std::optional<Fields> fields_of(const Bytes& file) {
  std::vector<DataProblem> problems;
  const KeyedFile keyed = read_fields(file, problems);
  if (!problems.empty() || keyed.count < 0) return std::nullopt;
  Fields fields{{"field count", Bytes(file.begin(), file.begin() + 4)}};
  for (const FieldRecord& f : keyed.fields)
    fields.emplace_back(f.name, Bytes(f.data.begin(), f.data.end()));
  return fields;
}

const Bytes* field(const Fields& fields, const std::string& name) {
  const auto f = std::ranges::find(fields, name, &Fields::value_type::first);
  return f == fields.end() ? nullptr : &f->second;
}

bool same(const Bytes* a, const Bytes* b) {
  return a != nullptr && b != nullptr && *a == *b;
}

std::string names(const Fields& fields) {
  std::string out;
  for (const auto& f : fields)
    out += f.first + " ";
  return out;
}

// The carried sections whose lines a source gives.
std::set<std::string, std::less<>> carried_given(const Kind& kind, const std::string& source) {
  const std::unique_ptr<Converter> converter = kind.make();
  MemorySource in(source);
  SilentReport silent;
  CarriedHeard heard(no_links());
  converter->read(in, silent, heard);
  converter->release();
  std::set<std::string, std::less<>> given;
  for (const auto& [section, line] : heard.given())
    given.emplace(section);
  return given;
}

// The samples of a kind for the rules of one run, each with what it writes alone.
class KindRun {
 public:
  explicit KindRun(const Kind& kind) : kind_(kind), samples_(samples_of(kind)) {
    for (const SectionShape* s : carried_sections(kind.vocabulary()))
      carried_.emplace(s->name);
    for (const Sample& s : samples_) {
      alone_.push_back(one_run(kind, {&s}).front());
      given_.push_back(carried_given(kind, s.source));
    }
  }

  std::size_t size() const { return samples_.size(); }

  // The samples at `order` in one run, each file's bytes checked against what it writes alone.
  void check(const std::vector<std::size_t>& order) const {
    std::vector<const Sample*> sources;
    std::string run = "in one run:";
    for (const std::size_t i : order) {
      sources.push_back(&samples_[i]);
      run += "\n  " + samples_[i].from;
    }
    const std::vector<Output> written = one_run(kind_, sources);
    for (std::size_t p = 0; p < order.size(); ++p) {
      const Output& alone = alone_[order[p]];
      const Output& got = written[p];
      const std::string where = run + "\nfile " + std::to_string(p + 1);
      if (!alone || !got || carried_.empty()) {
        EXPECT_EQ(got, alone) << where;
      } else if (const auto want = fields_of(*alone), have = fields_of(*got); !want || !have) {
        ADD_FAILURE() << where << ": no keyed data file";
      } else {
        EXPECT_EQ(names(*have), names(*want)) << where;
        // A carried field that the file gives no line of holds what the file before wrote; one
        // it gives lines of may hold anything (a line may fill a record under a count from
        // before, and leave values that do not scan as they were).
        const std::optional<Fields> before =
            p > 0 && written[p - 1] ? fields_of(*written[p - 1]) : std::nullopt;
        for (const auto& [name, bytes] : *have) {
          const bool carried = carried_.contains(name) && p > 0;
          if (carried && (!written[p - 1] || given_[order[p]].contains(name))) continue;
          const bool ok = same(&bytes, carried ? (before ? field(*before, name) : nullptr)
                                                : field(*want, name));
          EXPECT_TRUE(ok) << where << ": the field " << name << " differs from "
                          << (carried ? "what file " + std::to_string(p) + " wrote" : "alone");
        }
      }
    }
  }

 private:
  const Kind& kind_;
  std::vector<Sample> samples_;
  std::set<std::string, std::less<>> carried_;  // the names of the carried sections
  std::vector<Output> alone_;
  std::vector<std::set<std::string, std::less<>>> given_;  // carried sections each sample gives
};

class Kinds : public ::testing::TestWithParam<const Kind*> {};

// Each sample after the next one and before it, and three in a row, for every sample.
TEST_P(Kinds, Independence) {
  const KindRun run(*GetParam());
  ASSERT_GE(run.size(), 2u) << "too few sources to run together";
  for (std::size_t i = 0; i < run.size(); ++i) {
    const std::size_t next = (i + 1) % run.size();
    run.check({i, next});
    run.check({next, i});
    run.check({i, next, (i + 2) % run.size()});
  }
}

TEST_P(Kinds, Repetition) {
  const KindRun run(*GetParam());
  for (std::size_t i = 0; i < run.size(); ++i)
    run.check({i, i});
}

// A data file decompiled and converted again gives the same bytes; where its source converted
// without a finding, --check finds nothing in the decompiled one either. Sources that are
// refused are counted and passed over.
TEST_P(Kinds, RoundTrip) {
  const Kind& kind = *GetParam();
  std::size_t clean = 0;
  std::size_t told = 0;
  std::size_t passed_over = 0;
  for (const Sample& sample : samples_of(kind)) {
    TempDir dir;
    const std::string source = dir / source_name(kind);
    const std::string data = dir / data_name(kind);
    write_file(source, sample.source);
    TellingConsole convert;
    if (run_driver({"-y", source}, system_files(), convert) != 0 || !fs::exists(fs_path(data))) {
      ++passed_over;
      continue;
    }
    ++(convert.told.empty() ? clean : told);
    const Bytes first = read_file(data);
    TellingConsole back;
    EXPECT_EQ(run_driver({"--decompile", "-y", data}, system_files(), back), 0) << sample.from;
    if (convert.told.empty()) {
      // A check that finds nothing ends with status 0 and tells its count alone.
      TellingConsole check;
      EXPECT_EQ(run_driver({"--check", source}, system_files(), check), 0) << sample.from;
      EXPECT_EQ(std::ranges::count(check.told, '\n'), 1) << sample.from << "\n" << check.told;
    }
    TellingConsole again;
    EXPECT_EQ(run_driver({"-y", source}, system_files(), again), 0) << sample.from;
    EXPECT_EQ(back.told, "") << sample.from;
    EXPECT_EQ(read_file(data), first) << sample.from << "\n" << file_text(source);
  }
  std::printf("%s: %zu converted cleanly and back, %zu with findings, %zu refused\n",
              std::string(kind.name()).c_str(), clean, told, passed_over);
  EXPECT_GT(clean, 0u) << "no source of the kind converts cleanly";
}

// ---- what the findings tell of a record is what the data file holds ---------------------------

// Whether a value of the JSON dump holds what a new record holds: 0, or an empty text.
bool holds_new(const nlohmann::json& value) {
  return value.is_string() ? value.get<std::string>().empty() : value == 0;
}

// The field `name` of the JSON dump; null when there is none.
const nlohmann::json* field_of(const nlohmann::json& dump, std::string_view name) {
  for (const nlohmann::json& f : dump["fields"]) {
    if (f["name"] == name) return &f;
  }
  return nullptr;
}

// Checks what `note`, told as a finding, says of the records and counts of the data file dumped
// as `dump`; false when it says nothing of them, or of a field the file does not hold as a table
// of its own.
bool as_told(const Note& note, const nlohmann::json& dump, const std::string& where) {
  const nlohmann::json* f = field_of(dump, note.where.section);
  if (const auto* clamped = std::get_if<seen::CountClamped>(&note.what);
      clamped && f && f->contains("values") && (*f)["values"].size() == 1) {
    EXPECT_EQ((*f)["values"][0]["value"], clamped->limit) << where << ": the count cut";
    return true;
  }
  if (const auto* fewer = std::get_if<seen::FewerLines>(&note.what);
      fewer && fewer->how == seen::FewerLines::How::NoSection) {
    f = field_of(dump, fewer->section);
    if (f == nullptr || !f->contains("records")) return false;
    const nlohmann::json& records = (*f)["records"];
    EXPECT_GE(records.size(), static_cast<std::size_t>(fewer->left)) << where;
    for (std::size_t r = records.size() - std::min<std::size_t>(records.size(), fewer->left);
         r < records.size(); ++r) {
      for (const nlohmann::json& v : records[r]["values"])
        EXPECT_TRUE(holds_new(v["value"])) << where << ": record " << r << " given no line";
    }
    return true;
  }
  const auto* stopped = std::get_if<seen::ScanStopped>(&note.what);
  if (stopped == nullptr || stopped->record < 0 || !stopped->unreached_as_new || f == nullptr ||
      !f->contains("records") || (*f)["records"].size() <= static_cast<std::size_t>(stopped->record))
    return false;
  for (const nlohmann::json& v : (*f)["records"][stopped->record]["values"]) {
    for (std::size_t i = stopped->matched; i < stopped->values.size(); ++i) {
      if (v["name"] == stopped->values[i].name()) {
        EXPECT_TRUE(holds_new(v["value"])) << where << ": " << v["name"] << " not read";
      }
    }
  }
  return true;
}

// Keeps the notes of a reading (what they point to in the line read aside), and hands them on to
// the findings.
class Both final : public Report {
 public:
  explicit Both(Report& findings) : findings_(findings) {}
  void note(const Note& n) override {
    notes.push_back(n);
    findings_.note(n);
  }
  std::vector<Note> notes;

 private:
  Report& findings_;
};

// Every finding told of a value that a line did not give (the record filled with the others), a
// count whose data section never came, a count cut to its limit: the record, value or count in
// the data file written is as told. (What is told when a data section is left with records given
// no line is not checked: a later section of the same table may fill them.)
TEST_P(Kinds, FindingsTold) {
  const Kind& kind = *GetParam();
  std::size_t checked = 0;
  for (const Sample& sample : samples_of(kind)) {
    const std::unique_ptr<Converter> converter = kind.make();
    MemorySource in(sample.source);
    Diagnostics diagnostics(sample.from, converter->vocabulary(), kind.name());
    Both both(diagnostics);
    if (converter->read(in, both)) continue;
    MemorySink out;
    DataWriter writer(out);
    converter->write(writer);
    converter->release();
    std::vector<DataProblem> problems;
    const nlohmann::json dump =
        nlohmann::json::parse(dump_json(&kind, kind.source, out.bytes, problems));
    const std::vector<Finding> findings = diagnostics.findings();
    for (const Note& note : both.notes) {
      const bool told = std::ranges::any_of(findings, [&](const Finding& f) {
        return f.line == note.line && (f.kind == &finding::kScan || f.kind == &finding::kCount ||
                                       f.kind == &finding::kFewerLines);
      });
      if (told && as_told(note, dump, sample.from + ":" + std::to_string(note.line))) ++checked;
    }
  }
  std::printf("%s: %zu findings checked against the data file\n", std::string(kind.name()).c_str(),
              checked);
}

std::vector<const Kind*> all_kinds() {
  std::vector<const Kind*> kinds;
  for (const Kind& k : catalog())
    kinds.push_back(&k);
  return kinds;
}

INSTANTIATE_TEST_SUITE_P(, Kinds, ::testing::ValuesIn(all_kinds()),
                         [](const ::testing::TestParamInfo<const Kind*>& info) {
                           return std::string(info.param->name());
                         });

}  // namespace
}  // namespace kelv::test
