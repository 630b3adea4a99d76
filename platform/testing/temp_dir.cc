#include "platform/testing/temp_dir.h"

#include <unistd.h>

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

TempDir::TempDir() {
  std::string templ = fs::temp_directory() + "/kvtest-XXXXXX";
  if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

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

std::string TempDir::read(const std::string& name) const {
  std::ifstream in(file(name), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool TempDir::exists(const std::string& name) const {
  std::error_code ec;
  return std::filesystem::exists(file(name), ec);
}

std::vector<std::string> TempDir::lines(const std::string& name) const {
  std::vector<std::string> result;
  std::istringstream in(read(name));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    result.push_back(line);
  }
  return result;
}

void TempDir::make_dir(const std::string& name) const {
  std::error_code ec;
  std::filesystem::create_directories(file(name), ec);
}

bool running_as_root() { return ::geteuid() == 0; }

}  // namespace kv::testing
