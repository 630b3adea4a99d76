// kovendi: batch communication client started by a business application.
#include <iostream>
#include <string>
#include <vector>

#include "client/startup/program_entry.h"
#include "client/startup/program_info.h"

int main(int argc, char** argv) {
  std::vector<std::string> parameters;
  for (int i = 1; i < argc; ++i) parameters.emplace_back(argv[i]);
  if (kv::answer_program_info(parameters, std::cout)) return 0;
  return kv::program_entry(parameters);
}
