// The modes that rewrite the receive store are killed at every file operation in turn, and at
// random moments: afterwards every message must still be in QRTLNK.RCV, in a set-aside copy, or
// in the file it was handed to.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/store_test_home.h"
#include "client/common/run_intent.h"
#include "client/common/status_callbacks.h"
#include "client/common/text.h"
#include "platform/file_lock.h"
#include "platform/fs.h"

namespace kv {
namespace {

struct Message {
  std::string mid;
  std::string record;
  std::vector<std::string> parts;  // contents
};

class StoreKill : public StoreHome {
 protected:
  void make_store(int count) {
    messages_.clear();
    std::vector<std::string> records;
    for (int i = 0; i < count; ++i) {
      std::string mid = format(i % 2 == 0 ? "EDI%03dABC" : "ABCTXT%04d", i);
      std::string word = format("W%07d", i);
      int files = 1 + i % 2;
      Message m{mid, store_message(mid, word, files), {}};
      for (int k = 1; k <= files; ++k) m.parts.push_back(mid + " part " + std::to_string(k));
      records.push_back(m.record);
      messages_.push_back(m);
    }
    write_store(records);
    std::string application;
    for (const Message& m : messages_) application += m.record + "\n";
    dir.write("taken.txt", application);
  }

  // Text of the store and of every set-aside copy.
  std::string stored_text() const {
    std::string text = dir.read("qrtlnk.rcv");
    for (const std::string& copy : files_beginning("QLX_")) text += dir.read(copy);
    return text;
  }

  // Runs `operation` in a child that dies at the `kill_at`-th file operation (0: never) or
  // after `kill_after_us` microseconds (0: never). Returns true when the child was killed.
  bool run_child(const std::function<void()>& operation, int kill_at, int kill_after_us) {
    pid_t child = fork();
    if (child == 0) {
      int calls = 0;
      fs::set_fault_hook([&calls, kill_at](const char*, const std::string&) {
        if (kill_at > 0 && ++calls == kill_at) kill(getpid(), SIGKILL);
        return 0;
      });
      try {
        operation();
      } catch (...) {
        _exit(2);
      }
      _exit(0);
    }
    if (kill_after_us > 0) {
      usleep(static_cast<useconds_t>(kill_after_us));
      kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status)) {
      EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    return WIFSIGNALED(status);
  }

  // Every message is stored, or every part of it is in `handed_to`.
  void expect_nothing_lost(const std::string& handed_to, const std::string& context) {
    const std::string stored = stored_text();
    const std::string handed = dir.read(handed_to);
    for (const Message& m : messages_) {
      if (stored.find(m.record + "\n") != std::string::npos) continue;
      for (const std::string& part : m.parts) {
        ASSERT_NE(handed.find(part + "\n"), std::string::npos)
            << m.mid << " lost, " << context;
      }
    }
  }

  // Runs the operation once without a kill and counts its file operations.
  int count_operations(const std::function<void()>& operation) {
    int calls = 0;
    fs::set_fault_hook([&calls](const char*, const std::string&) {
      ++calls;
      return 0;
    });
    operation();
    fs::set_fault_hook(nullptr);
    return calls;
  }

  // Kills the operation before each of its file operations, then at random moments.
  void kill_everywhere(const std::function<void()>& prepare, const std::function<void()>& operation,
                       const std::string& handed_to, int random_rounds,
                       const std::function<void()>& before_check = [] {}) {
    prepare();
    const int total = count_operations(operation);
    ASSERT_GT(total, 0);
    for (int kill_at = 1; kill_at <= total; ++kill_at) {
      prepare();
      run_child(operation, kill_at, 0);
      before_check();
      expect_nothing_lost(handed_to, "killed at file operation " + std::to_string(kill_at));
      if (HasFatalFailure()) return;
    }
    std::mt19937 random(12345);
    for (int round = 0; round < random_rounds; ++round) {
      prepare();
      int after = 50 + static_cast<int>(random() % 20000);
      run_child(operation, 0, after);
      before_check();
      expect_nothing_lost(handed_to, "killed after " + std::to_string(after) + " us");
      if (HasFatalFailure()) return;
    }
  }

  void clean_home() {
    for (const std::string& name : fs::list_directory(dir.path())) {
      fs::set_permissions(dir.file(name), 0600);
      fs::remove_file(dir.file(name));
    }
  }

  std::vector<Message> messages_;
};

TEST_F(StoreKill, RetrieveBytes) {
  kill_everywhere(
      [&] {
        clean_home();
        make_store(24);
        run_state().retrieve_mode = 1;
        run_state().mid_selection = "EDI*";
        run_state().fil_name = "out.dat";
      },
      [] { retrieve(1); }, "out.dat", 10);
}

TEST_F(StoreKill, RetrieveTexts) {
  kill_everywhere(
      [&] {
        clean_home();
        make_store(24);
        run_state().retrieve_mode = 2;
        run_state().mid_selection.clear();
        run_state().fil_name = "out.txt";
      },
      [] { retrieve(2); }, "out.txt", 10);
}

TEST_F(StoreKill, UpdateMode) {
  // The run's intent record, which the next start reads to finish a /U= killed after its new
  // store was in place.
  kv::testing::TempDir record_dir;
  const std::string record_path = record_dir.file("intent");
  int record_fd = -1;
  const auto fresh_record = [&] {
    if (record_fd >= 0) fs::close_descriptor(record_fd);
    fs::remove_file(record_path);
    record_fd = fs::create_new_file(record_path, 0600);
    set_intent_descriptor(record_fd);
  };
  make_store(24);
  const std::size_t size = dir.read("taken.txt").size();
  // A record whose line in the application file is crossed out was handed over: its parts are
  // collected in handed.txt for the check.
  const auto recover_and_note_crossed_out = [&] {
    finish_killed_update(parse_intent(record_dir.read("intent")));
    std::string handed;
    const std::string application = dir.read("taken.txt");
    EXPECT_EQ(application.size(), size);
    for (const Message& m : messages_) {
      if (application.find(m.record + "\n") != std::string::npos) continue;
      for (const std::string& part : m.parts) handed += part + "\n";
    }
    dir.write("handed.txt", handed);
  };
  kill_everywhere([&] { clean_home(); make_store(24); fresh_record(); },
                  [] { update_receive_store("taken.txt"); }, "handed.txt", 10,
                  recover_and_note_crossed_out);
  set_intent_descriptor(-1);
  fs::close_descriptor(record_fd);
}

TEST_F(StoreKill, Gathering) {
  kill_everywhere(
      [&] {
        clean_home();
        make_store(24);
        dir.write("qrtlnk.scr", "*000CONNECT\n*001ONTVANG\nMID=EDI???ABC\nFIL=orders.edi\n");
        dir.write("qrtlnk.sts",
                  "*000CONNECT|202403151030|0000\n" +
                      status_line("*001ONTVANG", "202403151031", "0000", "L1", "EDI999ABC", "0",
                                  "orders.edi") +
                      "\n");
        dir.write("orders.edi", "EDI999ABC part 1\n");
      },
      [] { verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts"); }, "orders.edi", 10);
}

}  // namespace
}  // namespace kv
