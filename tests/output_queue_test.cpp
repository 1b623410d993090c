// The output queue on its own: what is said about the files of a run keeps their order while
// their outputs wait, and the waiting outputs are put in place before a question and before an
// output of the same name.
#include "driver/output_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files_support.h"

namespace kelv::test {
namespace {

// Says every line with what the folder holds of the outputs at that moment.
class OrderConsole final : public Console {
 public:
  explicit OrderConsole(const TempDir& dir) : dir_(dir) {}
  Answer ask_overwrite(const std::string&) override { return Answer::CannotAsk; }
  void cannot_create(const std::string& output, const Problem&) override {
    said("cannot " + output);
  }
  void error(std::string_view line) override { said(std::string(line)); }
  void info(std::string_view line) override { said(std::string(line)); }
  std::vector<std::string> lines;

 private:
  void said(const std::string& line) {
    std::string placed;
    for (const std::string& name : dir_.names())
      placed += name.ends_with(".dat") ? " " + name : "";
    lines.push_back(line.substr(line.rfind('/') + 1) + " [" + placed + " ]");
  }
  const TempDir& dir_;
};

OutputQueue::Content bytes(std::string text) {
  return [text](ByteSink& out) { out.put(text.data(), text.size()); };
}

TEST(OutputQueue, MessagesKeepTheOrderOfTheFiles) {
  TempDir dir;
  OrderConsole console(dir);
  OutputQueue queue(system_files(), console, true);
  const auto never = [](const std::string&) { return false; };
  queue.put(dir / "a.txt", dir / "a.dat", bytes("a"), never);
  queue.fail(dir / "b.txt: cannot open");
  queue.put(dir / "c.txt", dir / "c.dat", bytes("c"), never);
  queue.info(dir / "d.txt: up to date");
  EXPECT_TRUE(console.lines.empty());  // all waits for a.dat
  queue.settle();
  EXPECT_EQ(console.lines, (std::vector<std::string>{
                               "a.dat [ a.dat c.dat ]", "b.txt: cannot open [ a.dat c.dat ]",
                               "c.dat [ a.dat c.dat ]", "d.txt: up to date [ a.dat c.dat ]"}));
  EXPECT_TRUE(queue.failed());
  EXPECT_EQ(queue.failures().size(), 1u);
  EXPECT_EQ(file_text(dir / "c.dat"), "c");
}

TEST(OutputQueue, WaitingOutputsArePlacedBeforeAQuestionAndBeforeTheirNameAgain) {
  TempDir dir;
  OrderConsole console(dir);
  write_file(dir / "b.dat", "old");
  OutputQueue queue(system_files(), console, false);
  std::vector<std::string> asked;  // each question, with what is in place then
  const auto seen = [&](const std::string& output) {
    asked.push_back(output.substr(output.rfind('/') + 1) + ": a.dat holds " +
                    file_text(dir / "a.dat"));
    return true;
  };
  const auto ask = [&](const std::string& output) {
    queue.settle();  // as a question does
    return seen(output);
  };
  queue.put(dir / "a.txt", dir / "a.dat", bytes("first"), seen);
  // The same name again: the first is in place, and met as an existing output.
  queue.put(dir / "a.txt", dir / "a.dat", bytes("second"), seen);
  queue.put(dir / "a.txt", dir / "a.dat", bytes("third"), seen);
  queue.put(dir / "b.txt", dir / "b.dat", bytes("b"), ask);
  queue.settle();
  EXPECT_EQ(asked,
            (std::vector<std::string>{"a.dat: a.dat holds first", "a.dat: a.dat holds second",
                                      "b.dat: a.dat holds third"}));
  EXPECT_EQ(file_text(dir / "a.dat"), "third");
  EXPECT_EQ(file_text(dir / "b.dat"), "b");
  EXPECT_FALSE(queue.failed());
}

}  // namespace
}  // namespace kelv::test
