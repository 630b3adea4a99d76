// A program for the process tests: writes its working directory and its arguments, one a line,
// to "probe.txt" in its working directory, then does what the arguments ask:
//   print TEXT   writes TEXT to standard output
//   sleep MS     waits
//   exit N       ends with status N (the last word)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  std::FILE* out = std::fopen("probe.txt", "wb");
  if (out != nullptr) {
    std::fprintf(out, "%s\n", std::filesystem::current_path().string().c_str());
    for (int i = 1; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
    std::fclose(out);
  }
  int status = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string word = argv[i];
    if (word == "print") std::printf("%s", argv[i + 1]);
    if (word == "sleep") std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[i + 1])));
    if (word == "exit") status = std::atoi(argv[i + 1]);
  }
  std::fflush(stdout);
  return status;
}
