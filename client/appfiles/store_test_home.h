// Test support for the receive store, result processing and local modes: a fresh application
// home directory with a fixed date, and builders for status lines and stored records.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/appfiles/rcv_record.h"
#include "client/common/status_layout.h"
#include "client/common/testing/app_home_test.h"

namespace kv {

class StoreHome : public testing::AppHomeTest {
 protected:
  void SetUp() override {
    AppHomeTest::SetUp();
    run_state().run_mode = RunMode::kAccepted;
    clock.set_local_time(2024, 3, 15, 10, 30, 0);
  }

  // An ONTVANG-style status line: tag, stamp, result, list id, message id, files, first file,
  // then the optional subject and surname.
  static std::string status_line(const std::string& tag, const std::string& stamp,
                                 const std::string& result, const std::string& list_id,
                                 const std::string& mid, const std::string& files,
                                 const std::string& file, const std::string& subject = "",
                                 const std::string& surname = "") {
    namespace message = status::message;
    StatusRecord line;
    line.set(status::kTag, tag);
    line.set(status::kStamp, stamp);
    line.set(status::kResult, result);
    line.set(message::kListId, list_id);
    line.set(message::kMessageId, mid);
    line.set(message::kPriority, "1");
    line.set(message::kSensitivity, "0");
    line.set(message::kFileCount, files);
    line.set(message::kFirstFile, file);
    line.set(message::kSubject, subject);
    line.set(message::kSurname, surname);
    return line.line();
  }

  // A stored record with `files` part files "<word>.001".. written to the home directory, each
  // holding "<mid> part k\n".
  std::string store_message(const std::string& mid, const std::string& word, int files,
                            const std::string& stamp = "202403140900",
                            const std::string& subject = "", const std::string& surname = "") {
    std::string first = word + ".001";
    std::string record =
        build_rcv_record("   ",
                         StatusRecord(status_line("*002ONTVANG", stamp, "0000", "L" + word, mid,
                                                  std::to_string(files), first, subject, surname)))
            .line();
    for (int k = 1; k <= files; ++k) {
      dir.write(part_file_name(first, k), mid + " part " + std::to_string(k) + "\n");
    }
    return record;
  }

  void write_store(const std::vector<std::string>& records) {
    std::string text;
    for (const std::string& r : records) text += r + "\n";
    // A retrieve leaves the store read-only, as between runs; the next case's run would find it
    // writable again through the dispatcher.
    app_home().set_read_write("qrtlnk.rcv");
    dir.write("qrtlnk.rcv", text);
  }

  std::vector<std::string> store() const { return dir.lines("qrtlnk.rcv"); }

  // The work files and interchange list that a split send leaves for its engine run: app.edi's
  // interchanges 1 and 4 and other.edi's 3 were not sent, 2 was, and one line names no file.
  void write_interchange_list() const {
    dir.write("KV000001.edi", "I1\n");
    dir.write("KV000003.edi", "I3\n");
    dir.write("KV000004.edi", "I4\n");
    dir.write("list.tmp",
              "app.edi|KV000001.edi|1|\napp.edi|KV000002.edi|2|\napp.edi|KV000004.edi||\n"
              "other.edi|KV000003.edi|3|\nother.edi|XXXXXXXXXXXX|4|\n");
    run_state().interchange_list = "list.tmp";
    run_state().engine_started = true;
  }
};

}  // namespace kv
