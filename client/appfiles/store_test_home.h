// Test support for the receive store, result processing and local modes: a fresh application
// home directory with a fixed date, and builders for status lines and stored records.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/appfiles/rcv_record.h"
#include "client/common/record_fields.h"
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
    std::string line = init_veld_record(status::kFieldCount - 1);
    insert_veld(line, tag, status::kTag);
    insert_veld(line, stamp, status::kStamp);
    insert_veld(line, result, status::kResult);
    insert_veld(line, list_id, message::kListId);
    insert_veld(line, mid, message::kMessageId);
    insert_veld(line, "1", message::kPriority);
    insert_veld(line, "0", message::kSensitivity);
    insert_veld(line, files, message::kFileCount);
    insert_veld(line, file, message::kFirstFile);
    insert_veld(line, subject, message::kSubject);
    insert_veld(line, surname, message::kSurname);
    return without_trailing_bars(line);
  }

  // A stored record with `files` part files "<word>.001".. written to the home directory, each
  // holding "<mid> part k\n".
  std::string store_message(const std::string& mid, const std::string& word, int files,
                            const std::string& stamp = "202403140900",
                            const std::string& subject = "", const std::string& surname = "") {
    std::string first = word + ".001";
    std::string record = build_rcv_record(
        "   ", status_line("*002ONTVANG", stamp, "0000", "L" + word, mid,
                           std::to_string(files), first, subject, surname));
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
