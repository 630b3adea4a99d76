// A fresh directory for one test, removed with everything in it when the test ends.
#include "platform/testing/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/fs.h"

namespace kv::testing {
namespace {

void make_removable(const std::filesystem::path& root) {
  std::error_code ec;
  std::filesystem::permissions(root, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    ec.clear();
  }
}

}  // namespace

TempDir::TempDir() : path_(make_fresh_directory(fs::temp_directory() + "/kvtest-")) {}

TempDir::~TempDir() {
  std::error_code ec;
  make_removable(path_);
  std::filesystem::remove_all(path_, ec);
}

void TempDir::write(const std::string& name, const std::string& content) const {
  std::filesystem::path target = file(name);
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string TempDir::read(const std::string& name) const { return read_file(file(name)); }

bool TempDir::exists(const std::string& name) const {
  std::error_code ec;
  return std::filesystem::exists(file(name), ec);
}

std::vector<std::string> TempDir::lines(const std::string& name) const {
  return read_lines(file(name));
}

void TempDir::make_dir(const std::string& name) const {
  std::error_code ec;
  std::filesystem::create_directories(file(name), ec);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> read_lines(const std::string& path) {
  std::vector<std::string> result;
  std::istringstream in(read_file(path));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    result.push_back(line);
  }
  return result;
}

std::vector<std::string> list_dir(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kv::testing
