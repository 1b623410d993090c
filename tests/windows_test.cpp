// The Windows platform layer (run under Wine in CI): names in any script whatever the ANSI code
// page, outputs past the old 260-character limit, the safe replace's refusals and attributes,
// the message boxes through the console seam (MessageBoxW stood in for), and both programs,
// kelvconv.exe (windowed) and kelvconv.com (console), started as a shell starts them.
#include "platform/windows_console.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/catalog.h"
#include "driver/paths.h"
#include "files_support.h"
#include "platform/terminal.h"
#include "support.h"

namespace kelv::test {
namespace {

const std::string kStart = "<start_scene_index>\n7\n</start_scene_index>\n";
const Bytes kStartData = keyed(1, {field("start_scene_index", i32(7))});

// Stands in for the user: records each message box, task dialog, console question and results
// window, and answers the dialogs with `dialog_answers` in turn (then 0: not shown) and the
// console with `typed` (none: no console to ask on).
struct Boxes {
  struct Shown {
    std::string text, caption;
    UINT type;
  };
  std::vector<Shown> shown;
  std::vector<TaskDialogText> dialogs;
  std::deque<int> dialog_answers;
  std::vector<std::string> prompts;
  std::optional<std::string> typed;
  std::vector<RunResults> results;

  // The windowed program's side, or (`windowed` false) the console twin's.
  UserSide side(bool windowed = true) {
    return {.windowed = windowed,
            .message_box =
                [this](const std::wstring& text, const std::wstring& caption, UINT type) {
                  shown.push_back({narrow(text), narrow(caption), type});
                  return IDOK;
                },
            .task_dialog =
                [this](const TaskDialogText& dialog) {
                  dialogs.push_back(dialog);
                  if (dialog_answers.empty()) return 0;
                  const int answer = dialog_answers.front();
                  dialog_answers.pop_front();
                  return answer;
                },
            .ask_line =
                [this](const std::string& prompt, std::string& answer) {
                  if (!typed) return false;
                  prompts.push_back(prompt);
                  answer = *typed;
                  return true;
                },
            .results_window =
                [this](const RunResults& told) {
                  results.push_back(told);
                  return true;
                }};
  }
};

// `path` with Windows' own separator throughout, as Explorer and cmd give paths.
std::string backslashed(std::string path) {
  std::ranges::replace(path, '/', '\\');
  return path;
}

bool under_wine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

struct Ran {
  DWORD status = 99;
  std::string out, err;
};

// Runs `program`, found beside this test program, with `args` and its standard output and error
// redirected to files (and its input from a file holding `input`), in the folder `folder` (this
// one when empty), and waits for it to end.
Ran run_program(const std::wstring& program, const std::vector<std::string>& args,
                const std::string& input = "", const std::string& folder = "") {
  const std::wstring path = beside_tests(program);
  std::wstring line = command_line(path, args);
  TempDir streams;
  write_file(streams / "in", input);
  Ran ran;
  {
    Redirected in(streams / "in", true), out(streams / "out"), err(streams / "err");
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = in.handle;
    start.hStdOutput = out.handle;
    start.hStdError = err.handle;
    PROCESS_INFORMATION p{};
    if (!CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        folder.empty() ? nullptr : widen(folder).c_str(), &start, &p)) {
      ADD_FAILURE() << "cannot start " << narrow(path) << ": " << reason(GetLastError());
      return ran;
    }
    // Only a message box waiting for an answer could keep it this long.
    if (WaitForSingleObject(p.hProcess, 60'000) != WAIT_OBJECT_0) {
      TerminateProcess(p.hProcess, 99);
      ADD_FAILURE() << narrow(program) << " did not end: is a message box waiting?";
    }
    GetExitCodeProcess(p.hProcess, &ran.status);
    CloseHandle(p.hThread);
    CloseHandle(p.hProcess);
  }
  ran.out = file_text(streams / "out");
  ran.err = file_text(streams / "err");
  return ran;
}

// 能 and 表 end in 0x5C, the backslash, in Shift-JIS (code page 932).
TEST(WindowsNames, JapaneseFolderAndFileNamesConvertInEitherCodePage) {
  // Wine takes the ANSI code page from LC_ALL: 1252 for en_US.UTF-8, 932 for ja_JP.UTF-8 (seen
  // so under Wine 8); ctest runs this once with each and names the one it expects.
  const UINT code_page = GetACP();
  std::printf("ANSI code page %u\n", code_page);
  if (const char* expected = std::getenv("KELV_CODE_PAGE")) {
    EXPECT_EQ(std::to_string(code_page), expected);
  }
  TempDir dir;
  const std::string folder = dir / "ゲーム_能";
  const struct {
    std::string name, output, source;
  } files[] = {
      {"item_list.txt", "item_list.dat", "<item_number>\n0\n</item_number>\n"},
      {"scene_表.txt", "scene_表.dat", "<scene_kind>\n1\n</scene_kind>\n"},
      // The image's name in Shift-JIS, as an author's editor saves it.
      {"map_anim_町.txt", "map_anim_町.dat",
       "<map_anim_main_data>\n4 8 1 \x92\xac.bmp\n</map_anim_main_data>\n"},
  };
  std::vector<std::string> args{"-v"};
  std::string listing;
  for (const auto& f : files) {
    write_file(folder + "/" + f.name, f.source);
    args.push_back(folder + "\\" + f.name);
    listing += args.back() + " -> " + folder + "\\" + f.output + "\r\n";
  }
  for (const std::wstring program : {L"kelvconv.com", L"kelvconv.exe"}) {
    SCOPED_TRACE(narrow(program));
    const Ran ran = run_program(program, args);
    EXPECT_EQ(ran.status, 0u) << ran.err;
    EXPECT_EQ(ran.out, listing);  // redirected: UTF-8
    EXPECT_EQ(ran.err, "");
    Converters converters;
    for (const auto& f : files) {
      EXPECT_EQ(read_file(folder + "/" + f.output),
                convert_once(converters.of(*kind_of_source(f.name)), f.source))
          << f.name;
      std::filesystem::remove(fs_path(folder + "/" + f.output));
    }
  }
}

TEST(WindowsPrograms, AnswerAShellWithTheirOutputAndExitStatus) {
  TempDir dir;
  write_file(dir / "start_game.txt", kStart);
  write_file(dir / "start_game.dat", "old");
  const std::string missing = dir / "gone/prepare.txt";
  for (const std::wstring program : {L"kelvconv.com", L"kelvconv.exe"}) {
    SCOPED_TRACE(narrow(program));
    const Ran version = run_program(program, {"--version"});
    EXPECT_EQ(version.status, 0u);
    EXPECT_EQ(version.out.rfind("kelvconv " KELV_VERSION "\r\nCopyright (C) ", 0), 0u)
        << version.out;

    const Ran failed = run_program(program, {missing});
    EXPECT_EQ(failed.status, 1u);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err.rfind("kelvconv: " + missing + ": cannot open: ", 0), 0u) << failed.err;
    EXPECT_TRUE(failed.err.ends_with("\r\n")) << failed.err;

    // Wine without a display cannot show kelvconv.exe's question; kelvconv.com asks on none
    // but the console and never reads a script's input for an answer: no answer either way.
    if (!under_wine()) continue;
    const Ran unasked = run_program(program, {dir / "start_game.txt"}, "y\r\n");
    EXPECT_EQ(unasked.status, 1u);
    EXPECT_EQ(unasked.err, "kelvconv: " + dir / "start_game.dat" +
                               ": exists and was not replaced: the overwrite question could not "
                               "be asked (-y replaces existing outputs, -n keeps them)\r\n");
    EXPECT_EQ(file_text(dir / "start_game.dat"), "old");
  }
}

// The console twin speaks Japanese where the environment says so (Wine's Japanese UI), as its
// users' systems do: LANG names it, and nothing overrides it.
TEST(WindowsPrograms, SpeakJapaneseWhereTheUserDoes) {
  TempDir dir;
  const std::string missing = dir / "gone/prepare.txt";
  const struct {
    const char* name;
    const char* value;
  } japanese[] = {{"LANGUAGE", ""}, {"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", "ja_JP.UTF-8"}};
  std::vector<std::string> saved;
  for (const auto& v : japanese) {
    const char* had = std::getenv(v.name);
    saved.push_back(had != nullptr ? had : "");
    _putenv_s(v.name, v.value);
  }
  const Ran failed = run_program(L"kelvconv.com", {missing});
  for (std::size_t i = 0; i < saved.size(); ++i)
    _putenv_s(japanese[i].name, saved[i].c_str());
  EXPECT_EQ(failed.status, 1u);
  EXPECT_EQ(failed.err.rfind("kelvconv: " + missing + ": 開けません：", 0), 0u) << failed.err;
}

TEST(WindowsConsole, TheQuestionDialogAndWhatEachAnswerDoes) {
  const struct {
    int answer, status;
    bool replaced;
  } cases[] = {{IDYES, 0, true},     {kYesToAll, 0, true}, {IDNO, 0, false},
               {kNoToAll, 0, false}, {IDCANCEL, 0, false}, {0, 1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    TempDir dir;
    const std::string folder = backslashed(dir / "データ");
    write_file(folder + "\\start_game.txt", kStart);
    write_file(folder + "\\start_game.dat", "old");
    Boxes boxes;
    boxes.dialog_answers = {c.answer};
    WindowsConsole console(nullptr, nullptr, boxes.side());
    EXPECT_EQ(run_driver({folder + "\\start_game.txt"}, system_files(), console), c.status);
    EXPECT_EQ(read_file(folder + "\\start_game.dat"), c.replaced ? kStartData : text("old"));
    ASSERT_EQ(boxes.dialogs.size(), 1u);
    const TaskDialogText& dialog = boxes.dialogs[0];
    EXPECT_EQ(dialog.caption, L"Kelvardin");
    EXPECT_EQ(narrow(dialog.main), kOverwriteQuestion());
    // The file's name on a line of its own, its folder under it: not cut off as a caption is.
    EXPECT_EQ(narrow(dialog.content), "start_game.dat\nin " + folder);
    std::vector<int> buttons;
    for (const TaskDialogText::Button& b : dialog.buttons)
      buttons.push_back(b.id);
    EXPECT_EQ(buttons, (std::vector<int>{IDYES, kYesToAll, IDNO, kNoToAll}));
    // A dialog not shown is no answer (Esc or closing one that was shown is "no"): a failure,
    // told in the results window at the end of the run.
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(boxes.results.size(), c.status == 0 ? 0u : 1u);
    if (c.status != 0) {
      ASSERT_EQ(boxes.results[0].failures.size(), 1u);
      EXPECT_NE(boxes.results[0].failures[0].message.find("-y replaces"), std::string::npos);
    }
  }
}

// Three outputs dropped again: one answer "to all" decides them all, after one question.
TEST(WindowsConsole, OneAnswerToAllForADropOfThreeExistingOutputs) {
  TempDir dir;
  const std::string game = backslashed(dir / "game");
  const std::vector<std::string> names = {"prepare", "start_game", "title"};
  std::vector<std::string> dropped;
  for (const std::string& name : names) {
    write_file(game + "\\" + name + ".txt", name == "start_game" ? kStart : "");
    dropped.push_back(game + "\\" + name + ".txt");
  }
  for (const int answer : {kYesToAll, kNoToAll}) {
    SCOPED_TRACE(answer);
    for (const std::string& name : names)
      write_file(game + "\\" + name + ".dat", "old");
    Boxes boxes;
    boxes.dialog_answers = {answer};  // then no answer, were it asked again
    WindowsConsole console(nullptr, nullptr, boxes.side());
    EXPECT_EQ(run_driver(dropped, system_files(), console), kExitOk);
    ASSERT_EQ(boxes.dialogs.size(), 1u);
    EXPECT_EQ(narrow(boxes.dialogs[0].content), "prepare.dat\nin " + game);
    for (const std::string& name : names)
      EXPECT_EQ(file_text(game + "\\" + name + ".dat") == "old", answer == kNoToAll) << name;
    EXPECT_TRUE(boxes.shown.empty());
  }
}

// A drop of files none of which is a source ends with a box that says so; one whose outputs the
// user kept (above) does not.
TEST(WindowsConsole, ADropOfNoSourceIsToldInTheEndBox) {
  TempDir dir;
  const std::string notes = backslashed(dir / "notes.txt");
  write_file(notes, "my notes");
  Boxes boxes;
  WindowsConsole console(nullptr, nullptr, boxes.side());
  EXPECT_EQ(run_driver({notes}, system_files(), console), kExitOk);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find("nothing converted, 1 skipped"), std::string::npos)
      << boxes.shown[0].text;
}

// kelvconv.com asks on the console, reads no script's input for an answer, and never shows a box
// (a script would wait on it until someone came to click).
TEST(WindowsConsole, TheConsoleTwinAsksOnTheConsoleAndShowsNoBox) {
  TempDir dir;
  write_file(dir / "start_game.txt", kStart);
  write_file(dir / "start_game.dat", "old");
  write_file(dir / "title.txt", "");
  write_file(dir / "title.dat", "read-only");
  ASSERT_TRUE(SetFileAttributesW(widen(dir / "title.dat").c_str(), FILE_ATTRIBUTE_READONLY));
  const std::vector<std::string> asked = {dir / "start_game.txt"};
  const std::vector<std::string> refused = {"-y", dir / "title.txt"};
  Boxes boxes;
  TempDir streams;
  {
    Redirected err(streams / "err");
    WindowsConsole script(nullptr, err.handle, boxes.side(false));
    EXPECT_EQ(run_driver(asked, system_files(), script), kExitFailed);
    EXPECT_EQ(run_driver(refused, system_files(), script), kExitFailed);
    WindowsConsole no_streams(nullptr, nullptr, boxes.side(false));
    EXPECT_EQ(run_driver({}, system_files(), no_streams), kExitOk);  // no usage box either
    EXPECT_EQ(run_driver(asked, system_files(), no_streams), kExitFailed);
    EXPECT_EQ(run_driver(refused, system_files(), no_streams), kExitFailed);
    // Each of those runs left something to read on the console.
    EXPECT_TRUE(no_streams.told());
  }
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(boxes.dialogs.empty());
  EXPECT_TRUE(boxes.prompts.empty());
  EXPECT_EQ(file_text(dir / "start_game.dat"), "old");
  const std::string err = file_text(streams / "err");
  EXPECT_EQ(err.find("kelvconv: " + dir / "start_game.dat" +
                     ": exists and was not replaced: the overwrite question could not be asked"),
            0u)
      << err;
  EXPECT_NE(err.find("\r\nkelvconv: " + dir / "title.dat: " + kCannotCreate() + ": "),
            std::string::npos)
      << err;

  // One that converted all it was given left nothing.
  WindowsConsole converted(nullptr, nullptr, boxes.side(false));
  EXPECT_EQ(run_driver({"-y", dir / "start_game.txt"}, system_files(), converted), kExitOk);
  EXPECT_FALSE(converted.told());
  write_file(dir / "start_game.dat", "old");

  // On a console: asked there, and answered as on a terminal; a question answered is something
  // to read as well.
  for (const char* typed : {"n", " はい "}) {
    boxes.typed = typed;
    WindowsConsole console(nullptr, nullptr, boxes.side(false));
    EXPECT_EQ(run_driver(asked, system_files(), console), kExitOk);
    EXPECT_EQ(read_file(dir / "start_game.dat"), typed[0] == 'n' ? text("old") : kStartData);
    EXPECT_TRUE(console.told());
  }
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(boxes.dialogs.empty());
  EXPECT_EQ(boxes.prompts, (std::vector<std::string>(2, overwrite_prompt(dir / "start_game.dat"))));
}

// Files dropped on kelvconv.exe: whatever failed and every warning, in one results window at the
// end, failures first; the run's counts over them.
TEST(WindowsConsole, FailuresAndWarningsAreShownOnceWhenThereIsNoErrorStream) {
  TempDir dir;
  write_file(dir / "start_game.txt", kStart);
  write_file(dir / "item_list.txt", "<Item_Number>\n2\n</Item_Number>\n");
  std::vector<std::string> args{"-y", dir / "start_game.txt", dir / "item_list.txt"};
  for (int i = 0; i < 23; ++i)
    args.push_back(dir / ("gone" + std::to_string(i) + "/prepare.txt"));

  Boxes boxes;
  WindowsConsole dropped(nullptr, nullptr, boxes.side());
  EXPECT_EQ(run_driver(args, system_files(), dropped), kExitFailed);
  EXPECT_EQ(read_file(dir / "start_game.dat"), kStartData);
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_EQ(boxes.results.size(), 1u);
  const RunResults& r = boxes.results[0];
  EXPECT_EQ(r.heading, "2 files converted, 23 failed, 2 warnings");
  // Every entry, however many: the window scrolls.
  ASSERT_EQ(r.failures.size(), 23u);
  for (std::size_t i = 0; i < 23; ++i) {
    EXPECT_EQ(r.failures[i].path, args[i + 3]);
    EXPECT_EQ(r.failures[i].message.rfind("cannot open: ", 0), 0u) << r.failures[i].message;
  }
  ASSERT_EQ(r.warnings.size(), 2u);
  EXPECT_EQ(r.warnings[0].path, args[2]);
  EXPECT_EQ(r.warnings[0].kind, "unknown-tag");
  EXPECT_EQ(r.listing().find(args[2]), r.listing().find("\nWarnings\n") + 11);
  EXPECT_EQ(r.copied().rfind("kelvconv: " + args[3] + ": cannot open: ", 0), 0u);

  // In Japanese, as a Japanese user's system shows it.
  use_language(Language::Japanese);
  EXPECT_EQ(run_driver(args, system_files(), dropped), kExitFailed);
  use_language(Language::English);
  ASSERT_EQ(boxes.results.size(), 2u);
  EXPECT_EQ(boxes.results[1].heading, "変換 2 件、失敗 23 件、警告 2 件");
  EXPECT_EQ(boxes.results[1].failures[0].message.rfind("開けません：", 0), 0u);
  boxes.results.clear();

  // A run that converted everything shows nothing.
  EXPECT_EQ(run_driver({"-y", dir / "start_game.txt"}, system_files(), dropped), kExitOk);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(boxes.results.empty());
  // One that converted nothing says so, in a box: a notes file dropped.
  write_file(dir / "notes.txt", "notes");
  EXPECT_EQ(run_driver({dir / "notes.txt"}, system_files(), dropped), kExitOk);
  EXPECT_TRUE(boxes.results.empty());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text.rfind("nothing converted, 1 skipped: ", 0), 0u)
      << boxes.shown[0].text;
  EXPECT_EQ(boxes.shown[0].type, UINT{MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND});
  boxes.shown.clear();
  // Started with nothing to do (a double-click): a box says how it is used, in sentences the box
  // wraps itself, in either language.
  for (const Language l : {Language::English, Language::Japanese}) {
    use_language(l);
    EXPECT_EQ(run_driver({}, system_files(), dropped), kExitOk);
  }
  use_language(Language::English);
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text.rfind("kelvconv converts Kelvardin game sources (prepare.txt, "
                                      "item_list.txt, scene*.txt, ...) into the data files the "
                                      "engine loads. Give it",
                                      0),
            0u)
      << boxes.shown[0].text;
  EXPECT_NE(boxes.shown[0].text.find("\n- drop them on kelvconv.exe, or send them to it with the "
                                     "\"Send to\" menu of Explorer;\n"),
            std::string::npos);
  EXPECT_EQ(boxes.shown[1].text.rfind("kelvconv は Kelvardin のゲームのソース（prepare.txt、"
                                      "item_list.txt、scene*.txt など）を、エンジンが",
                                      0),
            0u)
      << boxes.shown[1].text;
  EXPECT_EQ(boxes.shown[0].type, UINT{MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND});
  boxes.shown.clear();

  // With the error stream redirected, each line goes there in UTF-8, and no box comes.
  TempDir streams;
  {
    Redirected err(streams / "err");
    WindowsConsole redirected(nullptr, err.handle, boxes.side());
    args[1] = dir / "表/start_game.txt";
    EXPECT_EQ(run_driver(args, system_files(), redirected), kExitFailed);
  }
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(boxes.results.empty());
  const std::string err = file_text(streams / "err");
  EXPECT_EQ(err.rfind("kelvconv: " + dir / "表/start_game.txt: cannot open: ", 0), 0u) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 26) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\r'), 26) << err;
}

// Windows shells pass '*' and '?' on as typed: both programs expand them themselves.
TEST(WindowsWildcards, StandForTheFilesTheyMatchInByteOrder) {
  TempDir dir;
  const std::string folder = backslashed(dir.path());
  const std::string scene = "<scene_kind>\n1\n</scene_kind>\n";
  for (const char* name : {"scene_a.txt", "scene_B.txt", "scene_ab.txt", "scene_表.txt"})
    write_file(folder + "\\" + name, scene);
  RecordingConsole console;
  EXPECT_EQ(run_driver({"-v", folder + "\\scene_?.txt"}, system_files(), console), kExitOk)
      << console.all_errors();
  // In the byte order of the names, whatever order the system's search gives them in.
  std::vector<std::string> converted;
  for (const char* name : {"scene_B", "scene_a", "scene_表"})
    converted.push_back(folder + "\\" + name + ".txt -> " + folder + "\\" + name + ".dat");
  EXPECT_EQ(console.infos, converted);
  EXPECT_EQ(file_text(folder + "\\scene_ab.dat"), "<missing>");

  // A pattern that matches nothing is an error that names it; the run goes on.
  console = RecordingConsole();
  EXPECT_EQ(
      run_driver({folder + "\\item_*.txt", folder + "\\scene_ab.txt"}, system_files(), console),
      kExitFailed);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{folder + "\\item_*.txt: no file matches this name"});
  EXPECT_NE(file_text(folder + "\\scene_ab.dat"), "<missing>");

  // As cmd runs it: relative names stay relative, and a folder that matches stands for its
  // sources.
  write_file(folder + "\\sub\\item_list.txt", "");
  const Ran ran = run_program(L"kelvconv.com", {"-yv", "scene_*.txt", "su?"}, "", folder);
  EXPECT_EQ(ran.status, 0u) << ran.err;
  EXPECT_EQ(ran.out,
            "scene_B.txt -> scene_B.dat\r\nscene_a.txt -> scene_a.dat\r\n"
            "scene_ab.txt -> scene_ab.dat\r\nscene_表.txt -> scene_表.dat\r\n"
            "sub\\item_list.txt -> sub\\item_list.dat\r\n");
  const Ran none = run_program(L"kelvconv.com", {"nothing*.txt"}, "", folder);
  EXPECT_EQ(none.status, 1u);
  EXPECT_EQ(none.err, "kelvconv: nothing*.txt: no file matches this name\r\n");
}

// A path kelvconv joins takes the system's separator, and a folder typed with one at its end
// does not get a second: messages show paths as Explorer and cmd do.
TEST(WindowsPaths, JoinedWithBackslashes) {
  TempDir dir;
  const std::string w = backslashed(dir / "w");
  write_file(w + "\\item_list.txt", "<Item_Number>\n2\n</Item_Number>\n");
  for (const std::string& folder : {w, w + "\\"}) {
    RecordingConsole console;
    EXPECT_EQ(run_driver({"--check", folder}, system_files(), console), kExitFailed);
    ASSERT_GE(console.errors.size(), 2u);
    for (const std::string& line : console.errors) {
      const std::string path = line.substr(0, line.find(": "));
      EXPECT_EQ(path.find('/'), std::string::npos) << line;
      EXPECT_EQ(path.find("\\\\"), std::string::npos) << line;
    }
    EXPECT_EQ(console.errors[0].rfind(w + "\\item_list.txt:1: warning: ", 0), 0u)
        << console.errors[0];
  }
  EXPECT_EQ(joined("C:", "x.txt"), "C:x.txt");  // C:'s current folder, not its root
  EXPECT_EQ(joined("game/", "x.txt"), "game/x.txt");
  EXPECT_EQ(joined("game", "x.txt"), "game\\x.txt");
  EXPECT_EQ(base_name("C:prepare.txt"), "prepare.txt");
}

// kelvconv.com waits for a key only on a console made for it alone (files dropped on it), read
// from the keyboard, with something on it to read; never from a shell, "< NUL" or kelvconv.exe.
TEST(WindowsConsole, TheConsoleTwinWaitsOnlyOnAConsoleOfItsOwn) {
  const struct {
    bool windowed;
    DWORD processes;
    bool input_is_console, told, waits;
  } cases[] = {{false, 1, true, true, true},   {false, 2, true, true, false},
               {false, 1, false, true, false}, {false, 1, true, false, false},
               {true, 1, true, true, false},   {false, 0, true, true, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(waits_before_closing(c.windowed, c.processes, c.input_is_console, c.told), c.waits)
        << c.windowed << c.processes << c.input_is_console << c.told;
  }
}

TEST(WindowsConsole, KnowsWhichProgramItIs) {
  EXPECT_TRUE(console_program());  // the tests, like kelvconv.com, are a console program
}

DWORD attributes(const std::string& path) {
  return GetFileAttributesW(widen(path).c_str());
}

TEST(WindowsFiles, ReadOnlyOutputsAreRefusedAndOthersKeepTheirAttributes) {
  TempDir dir;
  write_file(dir / "start_game.txt", kStart);
  write_file(dir / "start_game.dat", "old");
  ASSERT_TRUE(SetFileAttributesW(widen(dir / "start_game.dat").c_str(), FILE_ATTRIBUTE_READONLY));
  Boxes boxes;
  WindowsConsole console(nullptr, nullptr, boxes.side());
  EXPECT_EQ(run_driver({"-y", dir / "start_game.txt"}, system_files(), console), kExitFailed);
  EXPECT_EQ(file_text(dir / "start_game.dat"), "old");
  EXPECT_NE(attributes(dir / "start_game.dat") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(dir.names(), (std::set<std::string>{"start_game.dat", "start_game.txt"}));
  // Told once, in the results window at the end of the run: no box of its own during the run.
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_EQ(boxes.results.size(), 1u);
  ASSERT_EQ(boxes.results[0].failures.size(), 1u);
  EXPECT_EQ(boxes.results[0].failures[0].path, dir / "start_game.dat");
  EXPECT_EQ(boxes.results[0].failures[0].message,
            kCannotCreate() + ": " + reason(ERROR_ACCESS_DENIED));
  // In Japanese: the message in Japanese alone, and the reason in the user's language.
  use_language(Language::Japanese);
  EXPECT_EQ(run_driver({"-y", dir / "start_game.txt"}, system_files(), console), kExitFailed);
  ASSERT_EQ(boxes.results.size(), 2u);
  EXPECT_EQ(boxes.results[1].failures.at(0).message,
            "ファイルを作成できません: " + reason(ERROR_ACCESS_DENIED));
  use_language(Language::English);
  EXPECT_TRUE(boxes.shown.empty());

  // A hidden output stays hidden; a new one is not hidden, as its temporary file was.
  SetFileAttributesW(widen(dir / "start_game.dat").c_str(), FILE_ATTRIBUTE_HIDDEN);
  write_file(dir / "prepare.txt", "");
  RecordingConsole quiet;
  EXPECT_EQ(run_driver({"-y", dir / "start_game.txt", dir / "prepare.txt"}, system_files(), quiet),
            kExitOk);
  EXPECT_EQ(read_file(dir / "start_game.dat"), kStartData);
  EXPECT_NE(attributes(dir / "start_game.dat") & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(attributes(dir / "prepare.dat") & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST(WindowsFiles, AnOutputPathOf300Characters) {
  TempDir dir;
  std::string folder = dir.path();
  while (folder.size() + 1 + 61 + 15 < 300)
    folder += "/" + std::string(61, 'x');
  folder += "/" + std::string(300 - 15 - folder.size() - 1, 'y');
  const std::string output = folder + "\\start_game.dat";
  ASSERT_EQ(widen(output).size(), 300u);
  write_file(folder + "/start_game.txt", kStart);
  RecordingConsole console;
  EXPECT_EQ(run_driver({folder + "\\start_game.txt"}, system_files(), console), kExitOk)
      << console.all_errors();
  EXPECT_EQ(run_driver({"-y", folder + "\\start_game.txt"}, system_files(), console), kExitOk)
      << console.all_errors();
  EXPECT_EQ(read_file(output), kStartData);
  // Nothing else is left in the folder (the file library lists no folder this long).
  std::set<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE listing = FindFirstFileW(long_path(folder + "\\*").c_str(), &found);
  ASSERT_NE(listing, INVALID_HANDLE_VALUE);
  do {
    names.insert(narrow(found.cFileName));
  } while (FindNextFileW(listing, &found));
  FindClose(listing);
  EXPECT_EQ(names, (std::set<std::string>{".", "..", "start_game.dat", "start_game.txt"}));
}

}  // namespace
}  // namespace kelv::test
