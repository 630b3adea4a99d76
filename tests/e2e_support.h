// Support for the end-to-end tests: a fresh message store with two mailboxes (alice and bob, and
// the alias BOBBY for bob) set up with kovendi-store, and one application home directory per
// party with its qrtlnk.gns. The tests drive only the programs of the build tree (kovendi,
// kovedial, kovendi-store) and read only the files they leave.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/blackbox.h"

namespace e2e {

// Long enough for a run that starts the Java virtual machine on a loaded machine.
constexpr int kRunTimeout = 300;

// Fields of a bar-separated record, field 1 first.
inline std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == '|') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

// Field n (from 1) of a bar-separated record; empty when the record has fewer fields.
inline std::string field(const std::string& line, std::size_t n) {
  std::vector<std::string> f = fields(line);
  return n >= 1 && n <= f.size() ? f[n - 1] : "";
}

inline bool all_digits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

inline bool starts_with(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// One EDIFACT interchange from ALICE to `recipient` with control reference `reference` and one
// INVOIC message whose reference is "M" + reference; lines end in "\n".
inline std::string interchange(const std::string& recipient, const std::string& reference) {
  return "UNB+UNOA:1+ALICE:ZZ+" + recipient + "+240307:1030+" + reference + "'\n" + "UNH+M" +
         reference + "+INVOIC:D:96A:UN'\nBGM+380+" + reference + "+9'\n" + "UNT+3+M" + reference +
         "'\nUNZ+1+" + reference + "'\n";
}

// The error line of qrtlnk.err for error `number` with `text`: number, blank, text padded to 103.
inline std::string error_line(const std::string& number, const std::string& text) {
  return number + " " + text + std::string(text.size() < 103 ? 103 - text.size() : 0, ' ');
}

inline const std::string kError54 = "*** KOVENDI FOUT; Fout tijdens communicatie";

// Unix permission bits of a file (0 when it does not exist).
inline unsigned mode_of(const std::string& path) {
  std::error_code ec;
  auto st = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(st)) return 0;
  return static_cast<unsigned>(st.permissions()) & 0777u;
}

// Waits up to `seconds` for `ready` to hold, polling every 200 ms.
template <typename Pred>
bool wait_until(Pred ready, int seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return ready();
}

// A fresh message store `store` (run from `dir`) with the mailboxes alice (SECRET1) and bob
// (SECRET2); a failed kovendi-store fails the test.
inline void create_store(const std::string& dir, const std::string& store) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"init", store},
           {"add-mailbox", store, "alice", "SECRET1", "COU=NL", "ADM=HUBADMD", "PMD=QRT400",
            "ORG=ACME", "SUR=Alders", "GIV=Alice"},
           {"add-mailbox", store, "bob", "SECRET2", "COU=NL", "ADM=HUBADMD", "PMD=QRT400",
            "ORG=SHOP", "SUR=Bakker", "GIV=Bob"}}) {
    kvtest::RunOptions options;
    options.timeout_seconds = kRunTimeout;
    kvtest::RunResult r = kvtest::run(kvtest::program("kovendi-store"), args, dir, options);
    ASSERT_EQ(0, r.exit_code) << "kovendi-store " << args[0] << ": " << r.err;
  }
}

// One application home directory with its own runtime directory, so that the single-instance
// lock of one party never refuses a run of the other party that runs at the same time.
class Party {
 public:
  Party(std::string home, std::string runtime_dir, std::string user, std::string password)
      : home_(std::move(home)),
        runtime_dir_(std::move(runtime_dir)),
        user_(std::move(user)),
        password_(std::move(password)) {
    std::filesystem::create_directories(home_);
    std::filesystem::create_directories(runtime_dir_);
  }

  const std::string& home() const { return home_; }
  const std::string& user() const { return user_; }
  std::string file(const std::string& name) const { return home_ + "/" + name; }

  // qrtlnk.gns with the mailbox's user name and password, the store as server, and `extra`
  // lines (each ending in "\n") behind them.
  void write_gns(const std::string& server, const std::string& extra = "") const {
    write("qrtlnk.gns",
          "POS=" + user_ + "\nPIN=" + password_ + "\nSRV=" + server + "\nPNB=1\n" + extra);
  }

  void write(const std::string& name, const std::string& content) const {
    kvtest::write_file(file(name), content);
  }
  std::string read(const std::string& name) const { return kvtest::read_file(file(name)); }
  std::vector<std::string> lines(const std::string& name) const {
    return kvtest::read_lines(file(name));
  }
  bool exists(const std::string& name) const { return kvtest::file_exists(file(name)); }

  // The application's request (qrtlnk.scr).
  void request(const std::string& text) const { write("qrtlnk.scr", text); }

  kvtest::RunOptions options(kvtest::RunOptions extra = {}) const {
    extra.env["XDG_RUNTIME_DIR"] = runtime_dir_;
    if (extra.timeout_seconds == kvtest::RunOptions{}.timeout_seconds) {
      extra.timeout_seconds = kRunTimeout;
    }
    return extra;
  }

  // Runs kovendi in the home directory; the exit code is always 0.
  kvtest::RunResult kovendi(const std::vector<std::string>& args,
                            kvtest::RunOptions extra = {}) const {
    kvtest::RunResult r = kvtest::run(kvtest::program("kovendi"), args, home_, options(extra));
    EXPECT_EQ(0, r.signal) << describe() << stderr_of(r);
    EXPECT_EQ(0, r.exit_code) << describe() << stderr_of(r);
    EXPECT_FALSE(exists("qrtlnk.bsy")) << "the busy file is left behind";
    return r;
  }

  // Writes `text` as the request, runs kovendi /FT and says whether the run left no error file.
  bool run_request(const std::string& text) const {
    request(text);
    kovendi({"/FT"});
    return !exists("qrtlnk.err");
  }

  // kovendi started in the background in the home directory.
  std::unique_ptr<kvtest::Background> start_kovendi(const std::vector<std::string>& args,
                                                    kvtest::RunOptions extra = {}) const {
    return std::make_unique<kvtest::Background>(kvtest::program("kovendi"), args, home_,
                                                options(extra));
  }

  std::vector<std::string> status() const { return lines("qrtlnk.sts"); }
  std::vector<std::string> snd() const { return lines("qrtlnk.snd"); }
  std::vector<std::string> rcv() const { return lines("qrtlnk.rcv"); }
  std::vector<std::string> errors() const { return lines("qrtlnk.err"); }

  // The status lines of one command (field 1 equal to `tag`, for example "*001ZEND").
  std::vector<std::string> status_of(const std::string& tag) const {
    std::vector<std::string> out;
    for (const std::string& line : status()) {
      if (field(line, 1) == tag) out.push_back(line);
    }
    return out;
  }

  // Names in the home directory that start with `prefix` (case-sensitive).
  std::vector<std::string> names_starting(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& name : kvtest::list_dir(home_)) {
      if (starts_with(name, prefix)) out.push_back(name);
    }
    return out;
  }

  // The end of a run's standard error, for a failed expectation.
  static std::string stderr_of(const kvtest::RunResult& r) {
    if (r.err.empty()) return "";
    std::string err = r.err.size() > 3000 ? "..." + r.err.substr(r.err.size() - 3000) : r.err;
    return "\n--- standard error (end):\n" + err;
  }

  // What a failed expectation should show: the files of the home directory and the run's
  // outcome files.
  std::string describe() const {
    std::string out = "\n--- home " + home_ + ":";
    for (const std::string& name : kvtest::list_dir(home_)) out += " " + name;
    for (const char* name :
         {"qrtlnk.err", "qrtlnk.sts", "qrtlnk.snd", "qrtlnk.rcv", "qrtlnk.sav"}) {
      if (exists(name)) out += std::string("\n--- ") + name + ":\n" + read(name);
    }
    if (exists("kovendi-client.log")) {
      std::string log = read("kovendi-client.log");
      if (log.size() > 3000) log = "..." + log.substr(log.size() - 3000);
      out += "\n--- kovendi-client.log (end):\n" + log;
    }
    return out;
  }

 private:
  std::string home_;
  std::string runtime_dir_;
  std::string user_;
  std::string password_;
};

// Waits until the party's client log says that the store holds `operation` in its delay fault,
// or until the run has ended; false when neither happened in time.
inline bool waits_in_store(const Party& party, kvtest::Background& run,
                           const std::string& operation) {
  return wait_until(
      [&] {
        return party.read("kovendi-client.log").find(operation + ": fault injection") !=
                   std::string::npos ||
               !run.running();
      },
      kRunTimeout);
}

// A fresh store with the mailboxes alice (SECRET1) and bob (SECRET2), the alias BOBBY for bob,
// and the home directories of both parties with their qrtlnk.gns (plain passwords, as an
// installer writes them).
class World {
 public:
  World()
      : alice_(root_.file("alice"), root_.file("run-alice"), "alice", "secret1"),
        bob_(root_.file("bob"), root_.file("run-bob"), "bob", "secret2") {
    create_store(root_.path(), store_dir());
    store({"add-alias", store_dir(), "BOBBY", "bob"});
    alice_.write_gns(server());
    bob_.write_gns(server());
  }

  const std::string& root() const { return root_.path(); }
  std::string store_dir() const { return root_.file("store"); }

  // The SRV value that names the store: its absolute directory when that fits the 64 characters
  // of SRV, else the directory relative to the home directories.
  std::string server() const {
    std::string absolute = "file:" + store_dir();
    return absolute.size() <= 64 ? absolute : "file:../store";
  }

  Party& alice() { return alice_; }
  Party& bob() { return bob_; }

  // alice sends bob one letter (LETTER00000001), which then waits in his mailbox.
  void letter_for_bob() {
    alice_.write("letter.txt", "A letter.\n");
    alice_.request("*001ZEND\nMID=LETTER00000001\nALI=BOBBY\nFIL=letter.txt\n");
    alice_.kovendi({"/FT"});
    ASSERT_EQ(1u, show("bob").size()) << alice_.describe();
  }

  // Runs kovendi-store with `args`; a failure fails the test.
  std::string store(const std::vector<std::string>& args) const {
    kvtest::RunOptions options;
    options.timeout_seconds = kRunTimeout;
    kvtest::RunResult r =
        kvtest::run(kvtest::program("kovendi-store"), args, root_.path(), options);
    EXPECT_EQ(0, r.exit_code) << "kovendi-store " << (args.empty() ? "" : args[0]) << ": " << r.err;
    return r.out;
  }

  // `kovendi-store show STORE user`, one line per item.
  std::vector<std::string> show(const std::string& user) const {
    std::vector<std::string> lines;
    std::string out = store({"show", store_dir(), user});
    std::string line;
    for (char c : out) {
      if (c == '\n') {
        lines.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
  }

  // Words of one `show` line: list identifier, type, access status, message identifier, subject.
  static std::string show_word(const std::string& line, std::size_t n) {
    std::size_t at = 0;
    for (std::size_t i = 1; i < n; ++i) {
      at = line.find(' ', at);
      if (at == std::string::npos) return "";
      ++at;
    }
    return line.substr(
        at, line.find(' ', at) == std::string::npos ? std::string::npos : line.find(' ', at) - at);
  }

 private:
  kvtest::TempDir root_;
  Party alice_;
  Party bob_;
};

// A test in a fresh world: the store with alice's and bob's mailboxes, and the two parties.
class WorldTest : public ::testing::Test {
 protected:
  World world;
  Party& alice = world.alice();
  Party& bob = world.bob();
};

}  // namespace e2e
