// The logging library: one file per started name, level filtering, whole
// lines from concurrent threads, and the hook the other tests capture with.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

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
