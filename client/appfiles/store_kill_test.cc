// The modes that rewrite the receive store or the send queue are killed at every file operation
// in turn, and at random moments: afterwards the rewritten file holds exactly its old or exactly
// its new content, and every message is still in QRTLNK.RCV or in the file it was handed to.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/snd_record.h"
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
  std::vector<std::string> files;  // names of the part files
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
      Message m{mid, store_message(mid, word, files), {}, {}};
      for (int k = 1; k <= files; ++k) {
        m.parts.push_back(mid + " part " + std::to_string(k));
        m.files.push_back(part_file_name(word + ".001", k));
      }
      records.push_back(m.record);
      messages_.push_back(m);
    }
    write_store(records);
    std::string application;
    for (const Message& m : messages_) application += m.record + "\n";
    dir.write("taken.txt", application);
  }

  // Text of the store alone: a set-aside copy is never relied on.
  std::string stored_text() const { return dir.read("qrtlnk.rcv"); }

  // Runs `operation` in a child that dies at the `kill_at`-th file operation (0: never) or
  // after `kill_after_us` microseconds (0: never). Returns true when the child was killed after
  // its first file operation, that is in the middle of the operation.
  bool run_child(const std::function<void()>& operation, int kill_at, int kill_after_us) {
    // The child's count of file operations, readable after its death.
    void* shared = mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    EXPECT_NE(shared, MAP_FAILED);
    if (shared == MAP_FAILED) return false;
    volatile int* started = static_cast<volatile int*>(shared);
    *started = 0;
    pid_t child = fork();
    if (child == 0) {
      int calls = 0;
      fs::set_fault_hook([&calls, kill_at, started](const char*, const std::string&) {
        *started = *started + 1;
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
    const bool mid_operation = WIFSIGNALED(status) && *started > 0;
    munmap(shared, sizeof(int));
    return mid_operation;
  }

  // Every message is stored with all its part files, or every part of it is in `handed_to`.
  void expect_nothing_lost(const std::string& handed_to, const std::string& context) {
    const std::string stored = stored_text();
    const std::string handed = dir.read(handed_to);
    for (const Message& m : messages_) {
      if (stored.find(m.record + "\n") != std::string::npos) {
        for (std::size_t k = 0; k < m.files.size(); ++k) {
          ASSERT_EQ(dir.read(m.files[k]), m.parts[k] + "\n")
              << m.mid << " stored without its part file " << m.files[k] << ", " << context;
        }
        continue;
      }
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

  // Kills the operation before each of its file operations, then at random moments. After every
  // kill `rewritten` holds its complete old or complete new content, and `check` holds.
  void kill_everywhere(const std::function<void()>& prepare, const std::function<void()>& operation,
                       const std::string& rewritten, int random_rounds,
                       const std::function<void(const std::string&)>& check) {
    prepare();
    const std::string old_content = dir.read(rewritten);
    const int total = count_operations(operation);
    const std::string new_content = dir.read(rewritten);
    ASSERT_GT(total, 0);
    ASSERT_NE(old_content, new_content);
    const auto expect_whole = [&](const std::string& context) {
      const std::string now = dir.read(rewritten);
      ASSERT_TRUE(now == old_content || now == new_content)
          << rewritten << " neither old nor new (" << now.size() << " bytes of "
          << old_content.size() << " old, " << new_content.size() << " new), " << context;
    };
    int killed = 0;
    for (int kill_at = 1; kill_at <= total; ++kill_at) {
      prepare();
      if (run_child(operation, kill_at, 0)) ++killed;
      const std::string context = "killed at file operation " + std::to_string(kill_at);
      expect_whole(context);
      check(context);
      if (HasFatalFailure()) return;
    }
    // Every kill at a file operation must really have happened mid-operation.
    EXPECT_EQ(killed, total);
    std::mt19937 random(12345);
    int killed_at_random = 0;
    for (int round = 0; round < random_rounds; ++round) {
      prepare();
      int after = 50 + static_cast<int>(random() % 5000);
      if (run_child(operation, 0, after)) ++killed_at_random;
      const std::string context = "killed after " + std::to_string(after) + " us";
      expect_whole(context);
      check(context);
      if (HasFatalFailure()) return;
    }
    std::cerr << rewritten << ": killed at " << killed << " of " << total
              << " file operations and in " << killed_at_random << " of " << random_rounds
              << " random rounds\n";
  }

  std::function<void(const std::string&)> nothing_lost(const std::string& handed_to,
                                                       const std::function<void()>& before = [] {}) {
    return [this, handed_to, before](const std::string& context) {
      before();
      expect_nothing_lost(handed_to, context);
    };
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
        run_state().retrieve_mode = RetrieveMode::kBytes;
        run_state().mid_selection = "EDI*";
        run_state().fil_name = "out.dat";
      },
      [] { retrieve(RetrieveMode::kBytes); }, "qrtlnk.rcv", 10, nothing_lost("out.dat"));
}

TEST_F(StoreKill, RetrieveTexts) {
  kill_everywhere(
      [&] {
        clean_home();
        make_store(24);
        run_state().retrieve_mode = RetrieveMode::kTexts;
        run_state().mid_selection.clear();
        run_state().fil_name = "out.txt";
      },
      [] { retrieve(RetrieveMode::kTexts); }, "qrtlnk.rcv", 10, nothing_lost("out.txt"));
}

TEST_F(StoreKill, UpdateMode) {
  // The run's intent record, from which the next start finishes a /U= killed after its new store
  // was in place.
  kv::testing::TempDir record_dir;
  const std::string record_path = record_dir.file("intent");
  int record_fd = -1;
  const auto fresh_record = [&] {
    if (record_fd >= 0) fs::close_descriptor(record_fd);
    fs::remove_file(record_path);
    record_fd = fs::create_new_file(record_path, 0600);
    set_intent_descriptor(record_fd, record_path);
  };
  make_store(24);
  const std::size_t size = dir.read("taken.txt").size();
  // The application holds a copy of every record; a record whose line is crossed out must have
  // left the store (once the next start has finished a killed run). The parts of the records the
  // application holds are collected in handed.txt.
  const auto recover_and_note_crossed_out = [&] {
    finish_killed_update(parse_intent(record_dir.read("intent")));
    std::string handed;
    const std::string application = dir.read("taken.txt");
    const std::string stored = stored_text();
    EXPECT_EQ(application.size(), size);
    for (const Message& m : messages_) {
      const bool crossed_out = application.find(m.record + "\n") == std::string::npos;
      EXPECT_FALSE(crossed_out && stored.find(m.record + "\n") != std::string::npos)
          << m.mid << " crossed out but still stored";
      for (const std::string& part : m.parts) handed += part + "\n";
    }
    dir.write("handed.txt", handed);
  };
  kill_everywhere([&] { clean_home(); make_store(24); fresh_record(); },
                  [] { update_receive_store("taken.txt"); }, "qrtlnk.rcv", 10,
                  nothing_lost("handed.txt", recover_and_note_crossed_out));
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
      [] { verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts"); }, "qrtlnk.rcv", 10,
      nothing_lost("orders.edi"));
}

TEST_F(StoreKill, InterchangeMerge) {
  // The application's files are rebuilt from the work files of the interchanges not sent.
  const auto prepare = [&] {
    clean_home();
    dir.write("app.edi", "I1\nI2\nI4\n");
    dir.write("other.edi", "I3\nI5\n");
    write_interchange_list();
  };
  kill_everywhere(prepare, [] { merge_interchange_list(); }, "app.edi", 10,
                  [&](const std::string& context) {
                    const std::string other = dir.read("other.edi");
                    ASSERT_TRUE(other == "I3\nI5\n" || other == "I3\n") << context;
                    const std::vector<std::pair<std::string, std::string>> unsent = {
                        {"app.edi", "KV000001.edi"}, {"app.edi", "KV000004.edi"},
                        {"other.edi", "KV000003.edi"}};
                    for (const auto& [target, work] : unsent) {
                      const std::string interchange = dir.exists(work) ? dir.read(work) : "";
                      const std::string held = dir.read(target);
                      ASSERT_TRUE(!interchange.empty() || held.find("I" + work.substr(7, 1) + "\n") !=
                                                              std::string::npos)
                          << work << " lost, " << context;
                    }
                  });
}

TEST_F(StoreKill, SendQueueCleanUp) {
  // 400 records, every other one finished and removed into the /FIL= file.
  std::vector<std::string> records;
  for (int i = 0; i < 400; ++i) {
    SndRecord r;
    r.set(snd::kMessageId, format("MSG%05d", i));
    if (i % 2 == 0) {
      r.set(snd::kResultStamp, "202301010000");
      r.set(snd::kResultCode, "2101");
    }
    records.push_back(r.line());
  }
  kill_everywhere(
      [&] {
        clean_home();
        std::string text;
        for (const std::string& r : records) text += r + "\n";
        dir.write("qrtlnk.snd", text);
        run_state().fil_name = "done.txt";
      },
      [] { clean_send_queue(); }, "qrtlnk.snd", 10,
      [&](const std::string& context) {
        const std::string queue = dir.read("qrtlnk.snd");
        const std::string done = dir.read("done.txt");
        for (const std::string& r : records) {
          ASSERT_TRUE(queue.find(r + "\n") != std::string::npos ||
                      done.find(r + "\n") != std::string::npos)
              << SndRecord(r).str(snd::kMessageId) << " lost, " << context;
        }
      });
}

}  // namespace
}  // namespace kv
