// The manual kovendi(1) gives every application error and every result code with its meaning.
// These tests hold the manual to the code's own catalogues: the tables between their marker
// comments must be exactly what the catalogues give (KOVENDI_UPDATE_MANUAL=1 writes them in), and
// every four-digit code that the engine's sources can write must be in the catalogue.
#include "client/engine/result_catalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "client/common/app_error.h"
#include "client/common/app_error_explanation.h"
#include "client/engine/verdict_map.h"
#include "platform/fs.h"

namespace kv::engine {
namespace {

const std::string kManual = std::string(KV_SOURCE_DIR) + "/doc/man/kovendi.1";

// Text as troff shows it literally.
std::string troff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else if (c == '\'') out += "\\(aq";
    else out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

std::string error_table() {
  std::string t;
  char number[16];
  // Every number the catalogue has, up to the first it does not know.
  for (int n = 1; app_error_text(n) != nullptr; ++n) {
    std::snprintf(number, sizeof number, "%04d", n);
    if (app_error_explanation(n) == nullptr) {
      ADD_FAILURE() << "error " << number << " has no explanation";
      continue;
    }
    t += ".TP\n.B " + std::string(number) + "\n" + troff(app_error_text(n)) + "\n.br\n" +
         troff(app_error_explanation(n)) + ".\n";
  }
  return t;
}

std::string result_code_table() {
  std::string t;
  for (const ResultCodeEntry& e : result_code_catalogue()) {
    t += ".TP\n.B " + troff(e.code) + "\n" + troff(e.meaning) + ".\n";
    if (!e.cause.empty()) t += "Usual cause: " + troff(e.cause) + ".\n";
  }
  return t;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The text between the marker lines ".\" begin NAME" and ".\" end NAME"; writes `expected`
// there first when KOVENDI_UPDATE_MANUAL is set.
std::string manual_block(const std::string& name, const std::string& expected) {
  const std::string begin = ".\\\" begin " + name + "\n";
  const std::string end = ".\\\" end " + name + "\n";
  std::string manual = read_file(kManual);
  std::size_t from = manual.find(begin);
  std::size_t to = manual.find(end);
  if (from == std::string::npos || to == std::string::npos || to < from) return "(no markers)";
  from += begin.size();
  if (std::getenv("KOVENDI_UPDATE_MANUAL") != nullptr) {
    manual.replace(from, to - from, expected);
    std::ofstream(kManual) << manual;
    return expected;
  }
  return manual.substr(from, to - from);
}

TEST(ManualTables, ErrorTableIsTheCatalogue) {
  const std::string expected = error_table();
  EXPECT_EQ(manual_block("error table", expected), expected)
      << "kovendi(1) does not give the application errors as the catalogue does; "
         "KOVENDI_UPDATE_MANUAL=1 writes the table in";
}

TEST(ManualTables, ResultCodeTableIsTheCatalogue) {
  const std::string expected = result_code_table();
  EXPECT_EQ(manual_block("result code table", expected), expected)
      << "kovendi(1) does not give the result codes as the catalogue does; "
         "KOVENDI_UPDATE_MANUAL=1 writes the table in";
}

// Every "dddd" (four digits in double quotes) of a source text.
std::vector<std::string> quoted_four_digit_codes(const std::string& text) {
  std::vector<std::string> codes;
  for (std::size_t at = 0; (at = text.find('"', at)) != std::string::npos; ++at) {
    if (at + 5 >= text.size() || text[at + 5] != '"') continue;
    const std::string digits = text.substr(at + 1, 4);
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    codes.push_back(digits);
    at += 5;  // past the closing quote
  }
  return codes;
}

// A code written in the engine's sources (a status line's field 3) that the catalogue does not
// explain would leave the administrator without words for it.
TEST(ManualTables, EveryCodeInTheEngineSourcesIsCatalogued) {
  int seen = 0;
  for (const char* dir : {"/client/engine", "/client/appfiles"}) {
    for (const std::string& name : fs::list_directory(std::string(KV_SOURCE_DIR) + dir)) {
      if (name.size() < 3 || name.find("_test.") != std::string::npos) continue;
      const std::string ext = name.substr(name.size() - 3);
      if (ext != ".cc" && ext != ".h") continue;
      const std::string text = read_file(std::string(KV_SOURCE_DIR) + dir + "/" + name);
      for (const std::string& code : quoted_four_digit_codes(text)) {
        ++seen;
        EXPECT_NE(find_result_code(code), nullptr)
            << dir << "/" << name << " writes code " << code << ", which has no entry";
      }
    }
  }
  EXPECT_GT(seen, 40) << "the sources were not found under " << KV_SOURCE_DIR;
  // Every code of the verdict mapping and of the keyword table is in the catalogue as well.
  for (int verdict = -1; verdict <= 40; ++verdict) {
    EXPECT_NE(find_result_code(map_verdict_value(verdict).code), nullptr) << verdict;
  }
  EXPECT_NE(find_result_code("4678"), nullptr);  // a dial-up error of the helper
  EXPECT_EQ(find_result_code("9999"), nullptr);
}

}  // namespace
}  // namespace kv::engine
