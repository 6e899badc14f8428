// Who includes whose headers: the tools use the store's interfaces, never
// the engine's, which knows no store.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace fs = std::filesystem;

namespace {

TEST(Layering, NoSourceOfTheToolsIncludesAnEngineHeader) {
  static const std::regex engine_include(R"(^\s*#\s*include\s*[<"]tarn/)");
  int sources = 0;
  for (const auto& entry : fs::recursive_directory_iterator(std::string(SOURCE_DIR) + "/tools")) {
    if (!entry.is_regular_file()) continue;
    std::string extension = entry.path().extension().string();
    if (extension != ".cpp" && extension != ".h" && extension != ".cc" && extension != ".hh") continue;
    ++sources;
    std::ifstream file(entry.path());
    int number = 0;
    for (std::string line; std::getline(file, line);) {
      ++number;
      EXPECT_FALSE(std::regex_search(line, engine_include)) << entry.path().string() << ":" << number << ": " << line;
    }
  }
  EXPECT_GT(sources, 50);
}

}  // namespace
