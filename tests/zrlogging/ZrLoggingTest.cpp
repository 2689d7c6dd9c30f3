// The logging library: one file per started name, level filtering, whole
// lines from concurrent threads, and the hook the other tests capture with.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/CodePage.h"
#include "tests/support/Env.h"
#include "tests/support/LogCapture.h"
#include "zrlogging/ZrLogging.h"

namespace {

std::string TempFolder(const char* leaf) {
  std::string base = zrtest::GetEnv("TMPDIR");
  if (base.empty()) base = zrtest::GetEnv("TEMP");
  if (base.empty()) base = "/tmp";
  return base + "/zrtest-" + leaf;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(ZrLogging, WritesLinesAtOrBelowTheLevelToTheNamedFile) {
  std::string folder = TempFolder("zrlogging-level");
  zrtest::ScopedEnv dir("ZRLOGGING_DIR", folder.c_str());
  zrtest::ScopedEnv level("ZRLOGGING_LEVEL", "1");
  ZrLoggingReloadSettings();
  std::remove((folder + "/LevelTest.log").c_str());
  {
    ZrLogging log;
    log.LogStart("LevelTest");
    log.LogWrite(16, "progress %s", "dropped");
    log.LogWrite(1, "error %d %s %08x", 42, "kept", 0xABCDu);
  }
  auto lines = ReadLines(folder + "/LevelTest.log");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("error 42 kept 0000abcd"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[0].find("dropped"), std::string::npos);
  ZrLoggingReloadSettings();
}

TEST(ZrLogging, ConcurrentLinesNeverInterleave) {
  std::string folder = TempFolder("zrlogging-threads");
  zrtest::ScopedEnv dir("ZRLOGGING_DIR", folder.c_str());
  zrtest::ScopedEnv level("ZRLOGGING_LEVEL", "16");
  ZrLoggingReloadSettings();
  std::remove((folder + "/ThreadTest.log").c_str());
  const std::string payload(200, 'x');
  {
    ZrLogging log;
    log.LogStart("ThreadTest");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&log, &payload, t] {
        for (int i = 0; i < 200; ++i) log.LogWrite(16, "<%d:%s>", t, payload.c_str());
      });
    }
    for (auto& t : threads) t.join();
  }
  auto lines = ReadLines(folder + "/ThreadTest.log");
  ASSERT_EQ(lines.size(), 800u);
  for (const std::string& line : lines) {
    auto open = line.find('<');
    ASSERT_NE(open, std::string::npos) << line;
    EXPECT_EQ(line.substr(open + 3), payload + ">") << line;
  }
  ZrLoggingReloadSettings();
}

// A logged name is someone else's text: a line break in it must not write a
// line of its own, nor an escape sequence reach the terminal the log is read
// on. The hook, which the trace readers parse, still gets the text as made.
TEST(ZrLogging, ControlCharactersAreEscapedInTheFileOnly) {
  struct Case {
    const char* text;
    const char* in1252;  // the line's text in code page 1252
    const char* in932;   // ... and in 932
  };
  const Case cases[] = {
      {"port a\nb 2026-01-01T00:00:00.000Z [1]  1 forged", "port a\\nb 2026-01-01T00:00:00.000Z [1]  1 forged",
       "port a\\nb 2026-01-01T00:00:00.000Z [1]  1 forged"},
      {"\x1b]0;title\x07 tab\there cr\r del\x7f", "\\x1b]0;title\\x07 tab\\there cr\\r del\\x7f",
       "\\x1b]0;title\\x07 tab\\there cr\\r del\\x7f"},
      // 0x9D is a C1 control (OSC) in 1252, a lead byte in 932; 0x83 0x76 is
      // a 932 character whose lead byte lies where C1 would.
      {"osc \x9d" "b", "osc \\x9db", "osc \x9d" "b"},
      {"kana \x83\x76 \x83\x5c", "kana \x83\x76 \x83\\", "kana \x83\x76 \x83\x5c"},
      // A lead byte before a line break is no character: both are shown.
      {"cut \x83\n", "cut \x83\\n", "cut \\x83\\n"},
      {"pad \x80", "pad \x80", "pad \\x80"},
  };
  const bool dbcs = GetACP() == 932;
  std::string folder = TempFolder("zrlogging-escape");
  zrtest::ScopedEnv dir("ZRLOGGING_DIR", folder.c_str());
  zrtest::ScopedEnv level("ZRLOGGING_LEVEL", "1");
  ZrLoggingReloadSettings();
  std::remove((folder + "/EscapeTest.log").c_str());
  zrtest::LogCapture capture;
  {
    ZrLogging log;
    log.LogStart("EscapeTest");
    for (const Case& c : cases) log.LogWrite(1, "%s", c.text);
  }
  auto lines = ReadLines(folder + "/EscapeTest.log");
  ASSERT_EQ(lines.size(), sizeof cases / sizeof cases[0]);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string expected = dbcs ? cases[i].in932 : cases[i].in1252;
    ASSERT_GE(lines[i].size(), expected.size()) << lines[i];
    EXPECT_EQ(lines[i].substr(lines[i].size() - expected.size()), expected) << i;
    EXPECT_EQ(lines[i].find(" 1 "), lines[i].find(" 1 " + expected)) << lines[i];
  }
  ASSERT_EQ(capture.Lines().size(), sizeof cases / sizeof cases[0]);
  for (std::size_t i = 0; i < capture.Lines().size(); ++i) EXPECT_EQ(capture.Lines()[i].text, cases[i].text);
  ZrLoggingReloadSettings();
}

TEST(ZrLogging, HookSeesEveryLevelAndTheStart) {
  zrtest::LogCapture capture;
  ZrLogging log;
  log.LogStart("HookTest");
  log.LogWrite(16, "trace %s", "line");
  EXPECT_EQ(capture.StartCount(), 1);
  ASSERT_EQ(capture.Lines().size(), 1u);
  EXPECT_EQ(capture.Lines()[0].level, 16u);
  EXPECT_EQ(capture.Lines()[0].text, "trace line");
}

TEST(ZrLogging, AnUnwritableFolderIsSwallowed) {
  zrtest::ScopedEnv dir("ZRLOGGING_DIR", "/proc/zr-no-such-folder/x");
  ZrLoggingReloadSettings();
  ZrLogging log;
  log.LogStart("Nowhere");
  log.LogWrite(1, "lost %s", "quietly");
  SUCCEED();
}

}  // namespace
