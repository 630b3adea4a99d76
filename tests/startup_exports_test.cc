// The status callbacks are exported by name from the program, for callers that look them up in
// the running program.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/blackbox.h"

namespace {

std::string dynamic_symbols(const std::string& program) {
  std::string command = "nm -D --defined-only '" + program + "' 2>/dev/null";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

TEST(StartupExports, StatusCallbacksHaveCLinkage) {
  std::string symbols = dynamic_symbols(kvtest::program("kovendi"));
  ASSERT_FALSE(symbols.empty()) << "nm could not read " << kvtest::program("kovendi");
  EXPECT_NE(std::string::npos, symbols.find(" T API_displayComInfo\n"));
  EXPECT_NE(std::string::npos, symbols.find(" T API_checkEscape\n"));
}

}  // namespace
