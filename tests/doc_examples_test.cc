// Every example of the README, the manual pages and samples/ is run here, so that none of them
// can drift from what the programs do.
//
// An example is a transcript: lines "$ command" (a line ending in "\" continues on the next) and
// below each command what it prints (standard output and standard error together). In that
// printed text a line "..." stands for any number of lines, "..." inside a line for any text, and
// a run of twelve digits for any twelve digits (a time stamp). "$ cat FILE" followed by lines,
// where FILE does not exist yet, makes FILE with those lines: that is how an example shows a file
// that the reader writes. The transcripts of one document run in order in one shell, in a fresh
// directory that is also $HOME, with the built programs first on the PATH.
//
// Where the examples are: README.md, fenced blocks "```sh" (a block "```console" is shown but
// not run: the commands that set up a fresh machine); the manual pages, every ".nf" block. A
// README block "```sh postgresql", or a manual block after the comment ".\" needs postgresql",
// needs PostgreSQL's server programs and an unprivileged user (initdb refuses root); without
// them it is skipped, with a message. Names that stand for a real installation are replaced
// (kSubstitutions below).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/blackbox.h"

namespace {

using kvtest::TempDir;

const std::string kSource = KV_SOURCE_DIR;

struct Step {
  std::string command;
  std::vector<std::string> printed;  // the lines below the command
  std::string where;                 // document and line, for messages
};

struct Transcript {
  std::vector<Step> steps;
  bool needs_postgresql = false;
};

std::vector<std::string> lines_of(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A manual page line as the reader sees it.
std::string untroff(std::string s) {
  const std::pair<std::string, std::string> escapes[] = {
      {"\\-", "-"}, {"\\(aq", "'"}, {"\\(dq", "\""}, {"\\&", ""}, {"\\e", "\\"}};
  for (const auto& [from, to] : escapes) {
    for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) {
      s.replace(at, from.size(), to);
    }
  }
  return s;
}

// Lines of one example into steps; false when a block holds text before its first command.
bool parse_transcript(const std::vector<std::pair<std::string, std::string>>& lines,
                      Transcript& t) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& text = lines[i].first;
    if (text.rfind("$ ", 0) == 0) {
      Step step{text.substr(2), {}, lines[i].second};
      while (!step.command.empty() && step.command.back() == '\\' && i + 1 < lines.size()) {
        step.command.pop_back();
        step.command += lines[++i].first;
      }
      t.steps.push_back(step);
    } else if (t.steps.empty()) {
      return false;
    } else {
      t.steps.back().printed.push_back(text);
    }
  }
  return !t.steps.empty();
}

std::vector<Transcript> readme_examples(const std::string& path, std::vector<std::string>& bad) {
  std::vector<Transcript> out;
  const auto lines = lines_of(path);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string where = path + ":" + std::to_string(i + 1);
    if (lines[i].rfind("    ", 0) == 0 && (i == 0 || lines[i - 1].empty())) {
      bad.push_back(where + ": an indented code block (write examples as ```sh transcripts)");
    }
    if (lines[i].rfind("```", 0) != 0) continue;
    const std::string info = lines[i].substr(3);
    std::vector<std::pair<std::string, std::string>> block;
    for (++i; i < lines.size() && lines[i].rfind("```", 0) != 0; ++i) {
      block.emplace_back(lines[i], path + ":" + std::to_string(i + 1));
    }
    if (info == "console") continue;
    Transcript t;
    t.needs_postgresql = info == "sh postgresql";
    if ((info != "sh" && !t.needs_postgresql) || !parse_transcript(block, t)) {
      bad.push_back(where + ": a block that is not a ```sh transcript");
      continue;
    }
    out.push_back(t);
  }
  return out;
}

std::vector<Transcript> manual_examples(const std::string& path, std::vector<std::string>& bad) {
  std::vector<Transcript> out;
  const auto lines = lines_of(path);
  bool needs_postgresql = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == ".\\\" needs postgresql") needs_postgresql = true;
    if (lines[i] != ".nf") continue;
    const std::string where = path + ":" + std::to_string(i + 1);
    std::vector<std::pair<std::string, std::string>> block;
    for (++i; i < lines.size() && lines[i] != ".fi"; ++i) {
      if (!lines[i].empty() && lines[i][0] == '.') continue;  // .RS, .RE
      block.emplace_back(untroff(lines[i]), path + ":" + std::to_string(i + 1));
    }
    Transcript t;
    t.needs_postgresql = needs_postgresql;
    needs_postgresql = false;
    if (!parse_transcript(block, t)) {
      bad.push_back(where + ": a .nf block that is not a transcript");
      continue;
    }
    out.push_back(t);
  }
  return out;
}

// Names of a real installation, and what stands for them here.
std::vector<std::pair<std::string, std::string>> substitutions(const std::string& work,
                                                               const std::string& port) {
  return {{"/usr/share/doc/kovendi/examples", kSource + "/samples"},
          {"/usr/bin/kovendi", kvtest::bin_dir() + "/kovendi"},
          {"/srv/", work + "/srv/"},
          {"db.example.net", "127.0.0.1"},
          {"5433", port}};
}

std::string substituted(std::string s, const std::vector<std::pair<std::string, std::string>>& subs) {
  for (const auto& [from, to] : subs) {
    for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) {
      s.replace(at, from.size(), to);
    }
  }
  return s;
}

// The shell script of all steps: each step's output into .doc/N, a "$ cat FILE" whose FILE does
// not exist yet makes it from the printed lines (and leaves .doc/N.made).
std::string script_of(const std::vector<Step>& steps) {
  std::string s = "mkdir -p .doc\n";
  for (std::size_t n = 0; n < steps.size(); ++n) {
    const std::string out = "\"$DOC\"/" + std::to_string(n);
    const Step& step = steps[n];
    const std::string file = step.command.substr(step.command.rfind("cat ", 0) == 0 ? 4 : 0);
    const bool cat_of_one_file = step.command.rfind("cat ", 0) == 0 && !file.empty() &&
                                 file.find_first_of(" |<>;&") == std::string::npos;
    if (cat_of_one_file && !step.printed.empty()) {
      s += "if [ ! -e " + file + " ]; then cat > " + file + " <<'KV_DOC_EOF'\n";
      for (const auto& line : step.printed) s += line + "\n";
      s += "KV_DOC_EOF\ntouch " + out + ".made; fi\n";
      s += "[ -e " + out + ".made ] || { " + step.command + "; } >" + out + " 2>&1\n";
    } else {
      s += "{ " + step.command + "\n} >" + out + " 2>&1\necho $? >" + out + ".rc\n";
    }
  }
  return s;
}

// Whether `line` from `l` on matches the printed `pattern` from `p` on ("..." any text, twelve
// digits any twelve digits).
bool line_matches_from(const std::string& pattern, std::size_t p, const std::string& line,
                       std::size_t l) {
  if (p == pattern.size()) return l == line.size();
  if (pattern.compare(p, 3, "...") == 0) {
    for (std::size_t skip = l; skip <= line.size(); ++skip) {
      if (line_matches_from(pattern, p + 3, line, skip)) return true;
    }
    return false;
  }
  const auto digits = [](const std::string& s, std::size_t at) {
    return at + 12 <= s.size() &&
           s.substr(at, 12).find_first_not_of("0123456789") == std::string::npos;
  };
  if (digits(pattern, p)) {
    return digits(line, l) && line_matches_from(pattern, p + 12, line, l + 12);
  }
  return l < line.size() && pattern[p] == line[l] && line_matches_from(pattern, p + 1, line, l + 1);
}

bool line_matches(const std::string& pattern, const std::string& line) {
  return line_matches_from(pattern, 0, line, 0);
}

// Whether the lines printed match the example's lines; a pattern line "..." skips any lines.
bool output_matches(const std::vector<std::string>& pattern, std::size_t p,
                    const std::vector<std::string>& lines, std::size_t l) {
  if (p == pattern.size()) return l == lines.size();
  if (pattern[p] == "...") {
    for (std::size_t skip = l; skip <= lines.size(); ++skip) {
      if (output_matches(pattern, p + 1, lines, skip)) return true;
    }
    return false;
  }
  return l < lines.size() && line_matches(pattern[p], lines[l]) &&
         output_matches(pattern, p + 1, lines, l + 1);
}

std::string postgresql_bin() {
  return kvtest::shell_output(
      "ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1 | tr -d '\\n'");
}

std::string free_port() {
  return kvtest::shell_output(
      "for i in $(seq 1 100); do p=$((20000 + RANDOM % 30000)); "
      "(exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null || { printf %s $p; break; }; done");
}

// The documents describe what the programs do, which the sanitizer build does not change: the
// examples run in the normal build only.
bool sanitizer_build() {
#ifdef __SANITIZE_ADDRESS__
  return true;
#else
  return false;
#endif
}

// Runs the transcripts of one document and checks every step.
void run_document(const std::string& name, const std::vector<Transcript>& transcripts) {
  if (sanitizer_build()) GTEST_SKIP() << "the examples run in the normal build";
  TempDir work;
  const std::string pgbin = postgresql_bin();
  const bool have_postgresql =
      !pgbin.empty() && kvtest::file_exists(pgbin + "/initdb") && !kvtest::running_as_root();
  const auto subs = substitutions(work.path(), free_port());
  std::vector<Step> steps;
  int skipped = 0;
  for (const Transcript& t : transcripts) {
    if (t.needs_postgresql && !have_postgresql) {
      ++skipped;
      continue;
    }
    for (Step step : t.steps) {
      step.command = substituted(step.command, subs);
      for (auto& line : step.printed) line = substituted(line, subs);
      steps.push_back(step);
    }
  }
  if (skipped > 0) {
    std::cout << "SKIP: " << skipped << " PostgreSQL example(s) of " << name
              << (kvtest::running_as_root() ? ": initdb refuses root"
                                            : ": no PostgreSQL server programs")
              << std::endl;
  }
  kvtest::write_file(work.path() + "/.script", script_of(steps));
  kvtest::RunOptions options;
  options.env = {{"HOME", work.path()},
                 {"DOC", work.path() + "/.doc"},
                 {"PATH", kvtest::bin_dir() + ":" + pgbin + ":/usr/bin:/bin"},
                 {"LC_ALL", "C.UTF-8"}};
  options.timeout_seconds = 300;
  kvtest::RunResult r = kvtest::run("/bin/bash", {work.path() + "/.script"}, work.path(), options);
  // A server that an example started and did not stop.
  kvtest::shell_output("for p in $(find " + work.path() + " -name postmaster.pid 2>/dev/null); do " +
                       pgbin + "/pg_ctl -D \"$(dirname \"$p\")\" -m immediate stop; done >/dev/null 2>&1");
  ASSERT_EQ(r.exit_code, 0) << name << ": the examples' script failed: " << r.err;
  for (std::size_t n = 0; n < steps.size(); ++n) {
    const std::string out = work.path() + "/.doc/" + std::to_string(n);
    if (kvtest::file_exists(out + ".made")) continue;
    const std::vector<std::string> printed = kvtest::read_lines(out);
    const std::string rc = kvtest::read_file(out + ".rc");
    EXPECT_TRUE(output_matches(steps[n].printed, 0, printed, 0))
        << steps[n].where << ": $ " << steps[n].command << "\nprinted:\n"
        << kvtest::read_file(out) << "the example shows:\n"
        << [&] {
             std::string s;
             for (const auto& l : steps[n].printed) s += l + "\n";
             return s;
           }();
    // A command that shows no output must succeed; one that shows output is judged by it.
    if (steps[n].printed.empty()) {
      EXPECT_EQ(rc, "0\n") << steps[n].where << ": $ " << steps[n].command << " failed:\n"
                           << kvtest::read_file(out);
    }
  }
}

TEST(DocExamples, ReadmeExamplesRun) {
  std::vector<std::string> bad;
  auto transcripts = readme_examples(kSource + "/README.md", bad);
  EXPECT_TRUE(bad.empty()) << bad.front();
  EXPECT_GE(transcripts.size(), 4u);
  run_document("README.md", transcripts);
}

class ManualExamples : public ::testing::TestWithParam<std::string> {};

TEST_P(ManualExamples, Run) {
  std::vector<std::string> bad;
  auto transcripts = manual_examples(kSource + "/doc/man/" + GetParam(), bad);
  EXPECT_TRUE(bad.empty()) << bad.front();
  ASSERT_FALSE(transcripts.empty()) << GetParam() << " has no examples";
  run_document(GetParam(), transcripts);
}

INSTANTIATE_TEST_SUITE_P(Pages, ManualExamples,
                         ::testing::Values("kovendi.1", "kovendi-request.5", "qrtlnk.gns.5",
                                           "kovendi-store.1", "kovedial.1"),
                         [](const auto& info) {
                           std::string n = info.param;
                           for (char& c : n) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return n;
                         });

}  // namespace

namespace {

// The value of the first line "KEY=..." of a unit file.
std::string unit_value(const std::vector<std::string>& unit, const std::string& key) {
  for (const std::string& line : unit) {
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return "";
}

// A home directory like the examples' /srv/shop/kovendi: a mailbox "shop" in an embedded store,
// its user file and the standing request poll.req.
std::string make_shop_home(const std::string& work) {
  const std::string home = work + "/srv/shop/kovendi";
  kvtest::RunOptions in;
  in.stdin_text = "SECRET1\n";
  EXPECT_EQ(kvtest::run(kvtest::program("kovendi-store"), {"init", work + "/store"}, work).exit_code, 0);
  EXPECT_EQ(kvtest::run(kvtest::program("kovendi-store"),
                        {"add-mailbox", work + "/store", "shop", "-", "COU=NL", "ADM=400NET",
                         "PMD=QRT400", "SUR=Shop"},
                        work, in)
                .exit_code,
            0);
  kvtest::shell_output("mkdir -p " + home);
  kvtest::write_file(home + "/qrtlnk.gns",
                     "POS=shop\nPIN=SECRET1\nSRV=file:" + work + "/store\nPNB=1\n");
  kvtest::write_file(home + "/poll.req", "*001ONTVANG\nMID=*\n*002RAPPORT\n");
  return home;
}

// What one run of the standing request leaves: a complete status file, no error, the request
// consumed into qrt_lnk.old.
void expect_one_good_run(const std::string& home, const std::string& what) {
  EXPECT_FALSE(kvtest::file_exists(home + "/qrtlnk.err")) << what << ": "
                                                          << kvtest::read_file(home + "/qrtlnk.err");
  const auto status = kvtest::read_lines(home + "/qrtlnk.sts");
  ASSERT_EQ(status.size(), 3u) << what;
  for (const auto& line : status) EXPECT_NE(line.find("|0000"), std::string::npos) << line;
  EXPECT_TRUE(kvtest::file_exists(home + "/qrt_lnk.old")) << what;
  EXPECT_FALSE(kvtest::file_exists(home + "/qrtlnk.scr")) << what;
}

TEST(DocExamples, SamplesRunOneHomeRegularly) {
  if (sanitizer_build()) GTEST_SKIP() << "the examples run in the normal build";
  TempDir work;
  const auto subs = substitutions(work.path(), "");
  const std::string home = make_shop_home(work.path());
  kvtest::RunOptions options;
  options.env = {{"PATH", "/usr/bin:/bin"}};

  // The systemd service: its working directory, the copy of the request, then kovendi.
  const auto service = lines_of(kSource + "/samples/systemd/kovendi-exchange.service");
  const std::string dir = substituted(unit_value(service, "WorkingDirectory"), subs);
  ASSERT_EQ(dir, home);
  for (const char* key : {"ExecStartPre", "ExecStart"}) {
    const std::string command = substituted(unit_value(service, key), subs);
    ASSERT_FALSE(command.empty()) << key;
    EXPECT_EQ(kvtest::run("/bin/sh", {"-c", command}, dir, options).exit_code, 0) << command;
  }
  expect_one_good_run(home, "the systemd service");
  const auto timer = lines_of(kSource + "/samples/systemd/kovendi-exchange.timer");
  EXPECT_EQ(unit_value(timer, "OnCalendar"), "*:0/15");

  // The cron line: six fields (time and user), then the command.
  kvtest::shell_output("rm -f " + home + "/qrtlnk.sts " + home + "/qrt_lnk.old");
  std::string cron;
  for (const auto& line : lines_of(kSource + "/samples/cron/kovendi")) {
    if (!line.empty() && line[0] != '#') cron = line;
  }
  std::istringstream fields(cron);
  std::string field;
  for (int i = 0; i < 6; ++i) fields >> field;
  EXPECT_EQ(field, "shop");
  std::string command;
  std::getline(fields, command);
  EXPECT_EQ(kvtest::run("/bin/sh", {"-c", substituted(command, subs)}, "/", options).exit_code, 0);
  expect_one_good_run(home, "the cron line");

  // The logrotate rule, where logrotate is installed (run without its "su", as a user may).
  ASSERT_TRUE(kvtest::file_exists(home + "/kovendi-client.log"));
  if (kvtest::shell_output("command -v logrotate").empty() &&
      !kvtest::file_exists("/usr/sbin/logrotate")) {
    std::cout << "SKIP: logrotate is not installed; its example is not run" << std::endl;
    return;
  }
  std::string rule;
  for (const auto& line : lines_of(kSource + "/samples/logrotate/kovendi")) {
    if (line.find(" su ") == std::string::npos) rule += substituted(line, subs) + "\n";
  }
  kvtest::write_file(work.path() + "/rule", rule);
  kvtest::RunResult r = kvtest::run("/usr/sbin/logrotate",
                                    {"-s", work.path() + "/state", "-f", work.path() + "/rule"},
                                    work.path());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(kvtest::file_exists(home + "/kovendi-client.log.1"));
}

}  // namespace
