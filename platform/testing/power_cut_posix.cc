// Power-cut simulator at the file system's seam.
#include "platform/testing/power_cut.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "platform/fs.h"

namespace kv::testing {
namespace {

bool read_content(const std::string& path, std::string& content) {
  content.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

unsigned mode_of(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : 0600;
}

// Writes the file in place (the same file when it exists).
void write_content(const std::string& path, const std::string& content, unsigned mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::fchmod(fd, static_cast<mode_t>(mode));
  ::close(fd);
}

bool is_directory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool coin(std::mt19937* chance) { return chance != nullptr && ((*chance)() & 1U) != 0; }

}  // namespace

namespace {

}  // namespace

PowerCut::PowerCut(bool keep_files) : keep_files_(keep_files) {
  fs::set_fault_hook([this](const char* operation, const std::string& path) {
    return observe(operation, path);
  });
}

PowerCut::~PowerCut() {
  fs::set_fault_hook(nullptr);
  remove_kept();
}

void PowerCut::set_trigger(int n, Trigger trigger) {
  trigger_at_ = n;
  trigger_ = std::move(trigger);
}

bool is_journal(const std::string& path) {
  const std::string name = fs::last_component(path);
  return name == "qrt400.log" || name == "debug.log";
}

void append_trace(const std::string& path, const std::string& line) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (::write(fd, line.data(), line.size()) < 0) {
    // a trace is only a help for reading a failure
  }
  ::close(fd);
}

namespace {

// One spelling per file: the directory's real path and the name.
std::string canonical(const std::string& path) {
  return fs::join(fs::real_path(fs::dir_name(fs::is_absolute(path) ? path
                                                : fs::join(fs::current_directory(), path))),
                  fs::last_component(path));
}

}  // namespace

int PowerCut::observe(const char* operation, const std::string& given) {
  const std::string op = operation;
  const std::string path = op == "sync" && is_directory(given) ? fs::real_path(given) : canonical(given);
  if (op == "open-read") return 0;
  if (op != "rename-to" && !is_journal(path)) {
    ++operations_;
    if (!trace_path_.empty()) {
      append_trace(trace_path_, std::to_string(operations_) + " " + op + " " + path + "\n");
    }
    if (operations_ == trigger_at_ && trigger_) trigger_(operations_, operation, path);
  }
  if (op == "sync" && is_directory(path)) {
    touch_directory(path);
    durable_entries_[path] = list(path);
    return 0;
  }
  touch_directory(fs::dir_name(path));
  if (op == "sync") {
    flush_file(path);
  } else if (op == "rename-to" || op == "remove") {
    capture(path);
    keep_if_last_link(path);
  } else if (op != "link" && op != "mkdir") {
    capture(path);  // create, open-write, write, truncate, chmod, rename (its source)
  }
  return 0;
}

void PowerCut::touch_directory(const std::string& dir) {
  if (durable_entries_.count(dir) != 0) return;
  Entries entries = list(dir);
  for (const auto& [name, id] : entries) {
    if (durable_data_.count(id) == 0) existed_at_start_[id] = true;
  }
  durable_entries_[dir] = std::move(entries);
}

std::optional<PowerCut::Id> PowerCut::id_of(const std::string& path, bool* fresh) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  auto [it, inserted] = ids_.emplace(std::make_pair(st.st_dev, st.st_ino), next_id_);
  if (inserted) ++next_id_;
  if (fresh != nullptr) *fresh = inserted;
  a_path_of_[it->second] = path;
  return it->second;
}

PowerCut::Entries PowerCut::list(const std::string& dir) {
  Entries entries;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return entries;
  while (dirent* entry = ::readdir(d)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (auto id = id_of(fs::join(dir, name))) entries[name] = *id;
  }
  ::closedir(d);
  return entries;
}

void PowerCut::capture(const std::string& path) {
  const std::optional<Id> id = id_of(path);
  if (!id || durable_data_.count(*id) != 0) return;
  Data data;
  data.mode = mode_of(path);
  // A file made since the simulator started has nothing on disk until it is flushed.
  if (existed_at_start_[*id]) read_content(path, data.content);
  durable_data_[*id] = std::move(data);
}

void PowerCut::flush_file(const std::string& path) {
  const std::optional<Id> id = id_of(path);
  if (!id) return;
  Data data;
  data.mode = mode_of(path);
  read_content(path, data.content);
  durable_data_[*id] = std::move(data);
}

// A file that loses its last name is gone: its inode number may come back for a new file. Kept
// under a second name, it can come back itself.
void PowerCut::keep_if_last_link(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink > 1) return;
  const auto key = std::make_pair(st.st_dev, st.st_ino);
  auto known = ids_.find(key);
  if (keep_files_ && known != ids_.end()) {
    if (keep_dir_.empty()) {
      const std::string parent = fs::dir_name(durable_entries_.begin()->first);
      keep_dir_ = fs::join(parent, ".power-cut-" + std::to_string(::getpid()));
      ::mkdir(keep_dir_.c_str(), 0700);
    }
    if (::link(path.c_str(), kept_name(known->second).c_str()) == 0) {
      kept_[known->second] = true;
      return;  // the inode stays taken: its number cannot come back meanwhile
    }
  }
  ids_.erase(key);
}

std::string PowerCut::kept_name(Id id) const { return fs::join(keep_dir_, std::to_string(id)); }

void PowerCut::remove_kept() {
  if (keep_dir_.empty()) return;
  for (const auto& [id, kept] : kept_) ::unlink(kept_name(id).c_str());
  kept_.clear();
  ::rmdir(keep_dir_.c_str());
  keep_dir_.clear();
}

std::string PowerCut::current_content(Id id) {
  std::string content;
  if (kept_.count(id) != 0 && read_content(kept_name(id), content)) return content;
  auto seen = a_path_of_.find(id);
  if (seen == a_path_of_.end()) return content;
  struct stat st {};
  if (::lstat(seen->second.c_str(), &st) != 0) return content;
  auto known = ids_.find(std::make_pair(st.st_dev, st.st_ino));
  if (known == ids_.end() || known->second != id) return content;
  read_content(seen->second, content);
  return content;
}

void PowerCut::cut(std::mt19937* keep_by_chance) {
  fs::set_fault_hook(nullptr);
  // Each file's data after the cut, decided once per file.
  std::map<Id, std::pair<std::string, unsigned>> data;
  auto data_of = [&](Id id, const std::string& now_path) {
    auto decided = data.find(id);
    if (decided != data.end()) return decided->second;
    std::pair<std::string, unsigned> result{current_content(id), mode_of(now_path)};
    auto durable = durable_data_.find(id);
    const bool untouched = durable == durable_data_.end() && existed_at_start_[id];
    if (!untouched && !coin(keep_by_chance)) {
      result = durable != durable_data_.end()
                   ? std::make_pair(durable->second.content, durable->second.mode)
                   : std::make_pair(std::string(), result.second);
    }
    data[id] = result;
    return result;
  };
  struct Entry {
    std::string path;
    std::optional<Id> now;
    std::optional<Id> after;
  };
  std::vector<Entry> entries;
  for (const auto& [dir, durable] : durable_entries_) {
    const Entries current = list(dir);
    std::set<std::string> names;
    for (const auto& [name, id] : durable) names.insert(name);
    for (const auto& [name, id] : current) names.insert(name);
    for (const std::string& name : names) {
      Entry e{fs::join(dir, name), std::nullopt, std::nullopt};
      auto d = durable.find(name);
      auto c = current.find(name);
      if (c != current.end()) e.now = c->second;
      if (d != durable.end() && c != current.end() && d->second == c->second) {
        e.after = d->second;
      } else if (coin(keep_by_chance)) {
        e.after = e.now;
      } else if (d != durable.end()) {
        e.after = d->second;
      }
      if (e.after) data_of(*e.after, e.path);
      entries.push_back(std::move(e));
    }
  }
  if (!trace_path_.empty()) {
    for (const Entry& e : entries) {
      append_trace(trace_path_, "cut " + e.path + " now " + (e.now ? std::to_string(*e.now) : "-") +
                                    " after " + (e.after ? std::to_string(*e.after) : "-") + "\n");
    }
  }
  // Every file that gets a name back is kept under a second name first, so that moving names
  // around cannot lose it.
  for (const Entry& e : entries) {
    if (!e.after || e.after == e.now || kept_.count(*e.after) != 0) continue;
    auto seen = a_path_of_.find(*e.after);
    if (seen != a_path_of_.end() && ::link(seen->second.c_str(), kept_name(*e.after).c_str()) == 0) {
      kept_[*e.after] = true;
    }
  }
  for (const Entry& e : entries) {
    if (e.now && e.after != e.now) ::unlink(e.path.c_str());
  }
  for (const Entry& e : entries) {
    if (!e.after) continue;
    const auto& [content, mode] = data[*e.after];
    if (e.after != e.now && kept_.count(*e.after) != 0) {
      // A link that cannot be made is made good below, where the content is written again.
      const int linked = ::link(kept_name(*e.after).c_str(), e.path.c_str());
      static_cast<void>(linked);
    }
    std::string now;
    if (!read_content(e.path, now) || now != content) write_content(e.path, content, mode);
    if (mode_of(e.path) != mode) ::chmod(e.path.c_str(), static_cast<mode_t>(mode));
  }
  remove_kept();
}

// --- crash switch ------------------------------------------------------------------------------

CrashSwitch::CrashSwitch() {
  const char* setting = std::getenv("KOVENDI_CRASH");
  if (setting == nullptr || *setting == '\0') return;
  const char* report_to = std::getenv("KOVENDI_CRASH_REPORT");
  report_path_ = report_to != nullptr ? report_to : "";
  const std::string text = setting;
  simulator_ = new PowerCut(text.compare(0, 4, "cut:") == 0);
  if (const char* trace = std::getenv("KOVENDI_CRASH_TRACE")) simulator_->trace_to(trace);
  const std::size_t colon = text.find(':');
  const std::string kind = text.substr(0, colon);
  if (colon == std::string::npos || (kind != "kill" && kind != "cut")) return;
  const int n = std::atoi(text.c_str() + colon + 1);
  const std::size_t second = text.find(':', colon + 1);
  const bool by_chance = second != std::string::npos;
  const unsigned seed =
      by_chance ? static_cast<unsigned>(std::strtoul(text.c_str() + second + 1, nullptr, 10)) : 0;
  simulator_->set_trigger(n, [this, kind, by_chance, seed](int at, const char* operation,
                                                          const std::string& path) {
    if (kind == "cut") {
      std::mt19937 chance(seed);
      simulator_->cut(by_chance ? &chance : nullptr);
    }
    report(kind + " " + std::to_string(at) + " " + operation + " " + path);
    ::raise(SIGKILL);
  });
}

CrashSwitch::~CrashSwitch() {
  if (simulator_ == nullptr) return;
  report("ops " + std::to_string(simulator_->operations()));
  delete simulator_;
}

void CrashSwitch::report(const std::string& line) const {
  if (report_path_.empty()) return;
  const int fd = ::open(report_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const std::string text = line + "\n";
  if (::write(fd, text.data(), text.size()) < 0) {
    // nothing more to do: the caller sees no report
  }
  ::close(fd);
}

}  // namespace kv::testing
