// kovendi: batch communication client started by a business application.
#include <string>
#include <vector>

#include "client/startup/program_entry.h"

int main(int argc, char** argv) {
  std::vector<std::string> parameters;
  for (int i = 1; i < argc; ++i) parameters.emplace_back(argv[i]);
  return kv::program_entry(parameters);
}
