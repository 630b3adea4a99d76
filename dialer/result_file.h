// The helper's result file: one line, rewritten in full whenever it changes.
#pragma once

#include <string>

namespace kv::dialer {

constexpr const char* kResultStarted = "AAAA";
constexpr const char* kResultAlreadyConnected = "aaaa";
constexpr const char* kResultNoEntry = "4004";
constexpr const char* kResultCancelled = "4005";
constexpr const char* kResultNoPassword = "4006";

// The four characters for a dial error: (code + 14000) in decimal, from its second character.
std::string dial_error_result(unsigned code);

class ResultFile {
 public:
  explicit ResultFile(std::string directory) : directory_(std::move(directory)) {}
  // Sets the line and rewrites the file; false when it could not be written.
  bool save(const std::string& line);
  const std::string& line() const { return line_; }
  std::string path() const;

 private:
  std::string directory_;
  std::string line_;
};

}  // namespace kv::dialer
