// Tests of the send queue QRTLNK.SND after the session.
#include "client/appfiles/send_queue.h"

#include "client/appfiles/entry_points.h"
#include "client/appfiles/request_test_home.h"
#include "client/appfiles/snd_record.h"
#include "client/common/status_layout.h"
#include "platform/system_info.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

using testing_support::InterchangeHome;

std::string status_line(const std::string& tag, const std::string& code, const std::string& mid,
                        const std::vector<std::pair<status::Field, std::string>>& fields = {}) {
  StatusRecord record;
  record.set(status::kTag, tag);
  record.set(status::kStamp, "202403071045");
  record.set(status::kResult, code);
  record.set(status::zend::kMessageId, mid);
  for (const auto& [field, value] : fields) record.set(field, value);
  return record.line();
}

// A record of `app` whose send of `mid` was completed with `code` at `stamp`.
SndRecord completed(const std::string& app, const std::string& stamp, const std::string& code,
                    const std::string& mid) {
  SndRecord r;
  r.set(snd::kApplication, app);
  r.set(snd::kResultStamp, stamp);
  r.set(snd::kResultCode, code);
  r.set(snd::kMessageId, mid);
  set_snd_completed_delivery(r);
  return r;
}

std::string completed_record(const std::string& app, const std::string& stamp,
                             const std::string& code, const std::string& mid) {
  SndRecord r = completed(app, stamp, code, mid);
  r.set(snd::kRequestStamp, stamp);
  r.set(snd::kRecipientKind, "1");
  r.set(snd::kFirstFile, "file.txt");
  return r.line();
}

class SendQueueTest : public InterchangeHome {
 protected:
  bool update(const std::vector<std::string>& status) {
    write("qrtlnk.sts", joined(status));
    std::FILE* f = std::fopen(path("qrtlnk.sts").c_str(), "rb");
    bool changed = update_send_queue(f);
    std::fclose(f);
    return changed;
  }
  std::vector<std::string> records() { return lines("qrtlnk.snd"); }
  // The result code of every record of the send queue, in file order.
  std::vector<std::string> result_codes() {
    std::vector<std::string> codes;
    for (const std::string& record : records()) {
      codes.push_back(SndRecord(record).str(snd::kResultCode));
    }
    return codes;
  }
};

TEST_F(SendQueueTest, CompletedRecordsArePrunedAtFortyThreeDayNumbers) {
  // Today is 7 March 2024: 42 day numbers back is 25 January, 43 is 24 January.
  std::string kept = completed_record("", "202401252359", "0000", "KEEP");
  std::string dropped = completed_record("", "202401240000", "0000", "DROP");
  std::string recent = completed_record("ABC", "202403070900", "2006", "RECENT");
  write("qrtlnk.snd", kept + "\r\n" + dropped + "\r\n" + recent + "\r\n");
  update_send_queue_without_status();
  EXPECT_EQ(records(), (std::vector<std::string>{kept, recent}));
  EXPECT_TRUE(files_like("QLX_", "").empty());

  // Without QRTLNK.SND nothing is done.
  std::filesystem::remove(path("qrtlnk.snd"));
  update_send_queue_without_status();
  EXPECT_FALSE(exists("qrtlnk.snd"));
}

TEST_F(SendQueueTest, EachRecipientIsCompletedFromItsOwnStatusLine) {
  std::string old = completed_record("", "202403010000", "0000", "OLD");
  write("qrtlnk.snd", old + "\n");
  translate("*001ZEND\nMID=M1\nCOU=NL\nADM=A1\nSUR=FIRST\nCCO\nSUR=COPY\nBCO=\nALI=BLIND\n");
  std::string mid = SndRecord(records()[1]).str(snd::kMessageId);
  ASSERT_EQ(mid.size(), 14u);
  // The engine reports the blind copy first; every line carries its recipient's address.
  std::vector<std::string> status = {
      status_line("*000CONNECT", "0000", ""),
      status_line("*001ZEND", "0000", mid,
                  {{status::zend::kPriority, "2"},
                   {status::zend::kNotification, "1"},
                   {status::zend::kAlias, "BLIND"}}),
      status_line("*001ZEND", "0000", mid,
                  {{status::zend::kPriority, "2"},
                   {status::zend::kCountry, "NL"},
                   {status::zend::kAdmd, "A1"},
                   {status::zend::kSurname, "FIRST"}}),
      status_line("*001ZEND", "0000", mid,
                  {{status::zend::kPriority, "2"},
                   {status::zend::kCountry, "NL"},
                   {status::zend::kAdmd, "A1"},
                   {status::zend::kSurname, "COPY"}}),
  };
  EXPECT_FALSE(update(status));
  std::vector<std::string> r = records();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0], old);
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(SndRecord(r[i]).str(snd::kResultStamp), "202403071045");
    EXPECT_EQ(SndRecord(r[i]).str(snd::kResultCode), "0000");
    EXPECT_EQ(SndRecord(r[i]).str(snd::kPriority), "2");
    EXPECT_EQ(SndRecord(r[i]).str(snd::kDeliveryState), "1");
    EXPECT_EQ(SndRecord(r[i]).str(snd::kDeliveryTime), std::string(12, ' '));
  }
  EXPECT_EQ(SndRecord(r[1]).str(snd::kSurname), "FIRST");
  EXPECT_EQ(SndRecord(r[1]).str(snd::kNotification), "");
  EXPECT_EQ(SndRecord(r[2]).str(snd::kSurname), "COPY");
  EXPECT_EQ(SndRecord(r[3]).str(snd::kAlias), "BLIND");
  EXPECT_EQ(SndRecord(r[3]).str(snd::kNotification), "1");  // taken from the blind copy's own line
  EXPECT_EQ(read("qrtlnk.sav"), "");  // the successful send leaves QRTLNK.SAV
}

TEST_F(SendQueueTest, RunWithoutStatusGivesEveryNewRecord2006AndTodaysStamp) {
  translate("*001ZEND\nMID=A\nALI=X\nCCO\nALI=Y\n*002ZEND\nMID=B\nALI=Z\n");
  clock.local().hour = 11;
  update_send_queue_without_status();
  std::vector<std::string> r = records();
  ASSERT_EQ(r.size(), 3u);
  for (const std::string& record : r) {
    EXPECT_EQ(SndRecord(record).str(snd::kResultStamp), "202403071130");
    EXPECT_EQ(SndRecord(record).str(snd::kResultCode), "2006");
    EXPECT_EQ(SndRecord(record).str(snd::kNotificationType), " ");
    EXPECT_EQ(SndRecord(record).str(snd::kReason), "  ");
  }
  EXPECT_EQ(lines("qrtlnk.sav").size(), 8u);  // every block kept for a later attempt
}

TEST_F(SendQueueTest, FailedSendGivesItsCodeToAllRecipientsAndKeepsItsBlock) {
  translate("*001ZEND\nMID=A\nALI=X\nCCO\nALI=Y\n*002ZEND\nMID=B\nALI=Z\n*003ZEND\nMID=C\nALI=W\n");
  std::vector<std::string> r = records();
  std::string a = SndRecord(r[0]).str(snd::kMessageId);
  std::string b = SndRecord(r[2]).str(snd::kMessageId);
  std::string c = SndRecord(r[3]).str(snd::kMessageId);
  std::vector<std::string> status = {
      status_line("*000CONNECT", "0000", ""),
      status_line("*001ZEND", "2101", a),  // refused as a whole: no recipient data
      status_line("*002ZEND", "0000", b, {{status::zend::kAlias, "Z"}}),
      status_line("*099ZEND", "0000", "UNKNOWN"),  // no send of this run: passed over
      status_line("*003ZEND", "0000", c, {{status::zend::kAlias, "OTHER"}}),
      status_line("*004WACHTWOORD", "0000", ""),
  };
  EXPECT_TRUE(update(status));
  // The fourth record gets 2006: the only line for it is not its recipient's.
  EXPECT_EQ(result_codes(), (std::vector<std::string>{"2101", "2101", "0000", "2006"}));
  EXPECT_EQ(SndRecord(records()[1]).str(snd::kResultStamp), "202403071045");
  EXPECT_EQ(joined(lines("qrtlnk.sav")),
            "*001ZEND\nMID=A\nALI=X\nCCO\nALI=Y\n*003ZEND\nMID=C\nALI=W\n");
}

TEST_F(SendQueueTest, SendPassedOverByTheEngineGetsTheNextLinesStamp) {
  translate("*001ZEND\nMID=A\nALI=X\n*002ZEND\nMID=B\nALI=Y\n*003ZEND\nMID=C\nALI=Z\n");
  std::vector<std::string> r = records();
  std::string c = SndRecord(r[2]).str(snd::kMessageId);
  std::string a = SndRecord(r[0]).str(snd::kMessageId);
  std::string late = status_line("*003ZEND", "0000", c, {{status::zend::kAlias, "Z"}});
  late.replace(late.find("202403071045"), 12, "202403071050");
  update({status_line("*001ZEND", "0000", a, {{status::zend::kAlias, "X"}}), late});
  EXPECT_EQ(result_codes(), (std::vector<std::string>{"0000", "2006", "0000"}));
  EXPECT_EQ(SndRecord(records()[1]).str(snd::kResultStamp), "202403071050");
  EXPECT_EQ(joined(lines("qrtlnk.sav")), "*002ZEND\nMID=B\nALI=Y\n");
}

TEST_F(SendQueueTest, RecordsLeftOpenByAnEarlierRunDoNotShiftThisRunsBlocks) {
  SndRecord leftover;
  leftover.set(snd::kMessageId, "EARLIER");
  leftover.set(snd::kRecipientKind, "1");
  write("qrtlnk.snd", leftover.line() + "\n");
  translate("*001ZEND\nMID=A\nALI=X\n*002ZEND\nMID=B\nALI=Y\n");
  std::vector<std::string> r = records();
  ASSERT_EQ(r.size(), 3u);
  update({status_line("*001ZEND", "0000", SndRecord(r[1]).str(snd::kMessageId),
                      {{status::zend::kAlias, "X"}}),
          status_line("*002ZEND", "2101", SndRecord(r[2]).str(snd::kMessageId),
                      {{status::zend::kAlias, "Y"}})});
  EXPECT_EQ(result_codes(), (std::vector<std::string>{"2006", "0000", "2101"}));
  EXPECT_EQ(joined(lines("qrtlnk.sav")), "*002ZEND\nMID=B\nALI=Y\n");
}

TEST_F(SendQueueTest, EdifactSendsAreCountedPerBlock) {
  std::string ic;
  for (const char* p : {"P1", "P2", "P3"}) {
    ic += std::string("UNB+UNOA:1+S+") + p + "+D+R'\nUNH+1+INVOIC'\nUNZ+1+R'\n";
  }
  write("three.edi", ic);
  translate("*001ZEND\nMID=EDI\nFIL=three.edi\n*002ZEND\nMID=PLAIN\nALI=Q\n");
  std::vector<std::string> r = records();
  ASSERT_EQ(r.size(), 4u);
  std::vector<std::string> status;
  const char* codes[] = {"0000", "1517", "0000"};
  for (int i = 0; i < 3; ++i) {
    std::string mid = SndRecord(r[i]).str(snd::kMessageId);
    status.push_back(status_line("*001ZEND", codes[i], mid,
                                 {{status::zend::kAlias, SndRecord(r[i]).str(snd::kAlias)}}));
  }
  status.push_back(status_line("*002ZEND", "0000", SndRecord(r[3]).str(snd::kMessageId),
                               {{status::zend::kAlias, "Q"}}));
  update(status);
  EXPECT_EQ(result_codes(), (std::vector<std::string>{"0000", "1517", "0000", "0000"}));
  // The EDIFACT block had an unsuccessful interchange: it stays; the plain send leaves.
  EXPECT_EQ(joined(lines("qrtlnk.sav")), "*001ZEND\nMID=EDI\nFIL=three.edi\n");
}

TEST_F(SendQueueTest, HundredThousandRecordsInLinearTime) {
  std::string snd;
  std::string sav;
  std::string status;
  for (int i = 0; i < 100000; ++i) {
    std::string mid = "M" + std::to_string(i);
    SndRecord r;
    r.set(snd::kMessageId, mid);
    r.set(snd::kRecipientKind, "1");
    r.set(snd::kAlias, "A");
    snd += r.line() + "\n";
    sav += "*001ZEND\nMID=" + mid + "\nALI=A\n";
    status +=
        status_line("*001ZEND", i % 7 == 0 ? "2101" : "0000", mid, {{status::zend::kAlias, "A"}}) +
        "\n";
  }
  write("qrtlnk.snd", snd);
  write("qrtlnk.sav", sav);
  write("qrtlnk.sts", status);
  const double start = system_info::processor_seconds();  // the machine may be busy
  std::FILE* f = std::fopen(path("qrtlnk.sts").c_str(), "rb");
  update_send_queue(f);
  std::fclose(f);
  double seconds = system_info::processor_seconds() - start;
  std::vector<std::string> r = records();
  ASSERT_EQ(r.size(), 100000u);
  EXPECT_EQ(SndRecord(r[7]).str(snd::kResultCode), "2101");
  EXPECT_EQ(SndRecord(r[8]).str(snd::kResultCode), "0000");
  EXPECT_EQ(lines("qrtlnk.sav").size(), 3u * 14286u);
  EXPECT_LT(seconds, 20.0);
  std::cerr << "100,000 records updated in " << seconds << " s of processor time\n";
}

// --- /C ------------------------------------------------------------------------------------

class CleanUpTest : public SendQueueTest {
 protected:
  std::string record(const std::string& app, const std::string& stamp, const std::string& code,
                     const std::string& mid, const std::string& state, const std::string& type,
                     const std::string& notification, const std::string& report) {
    SndRecord r = completed(app, stamp, code, mid);
    r.set(snd::kNotification, notification);
    r.set(snd::kReport, report);
    r.set(snd::kDeliveryState, state);
    r.set(snd::kNotificationType, type);
    r.set(snd::kFirstFile, "f");
    return r.line();
  }
};

TEST_F(CleanUpTest, CandidatesAndTheDeliveryRule) {
  std::vector<std::string> all = {
      record("", "202301010000", "2101", "FAILED", "1", " ", "", ""),          // 0 removed
      record("", "202301010000", "0000", "DELIVERED", "2", " ", "", ""),       // 1 removed
      record("", "202301010000", "0000", "NONDELIV", "3", "2", "", ""),        // 2 removed
      record("", "202301010000", "0000", "RECEIPT", "3", "1", "", ""),         // 3 kept
      record("", "202301010000", "0000", "RECEIPTOK", "3", "1", "1", ""),      // 4 removed
      record("", "202301010000", "0000", "WAITING", "1", " ", "1", "1"),       // 5 removed
      record("", "202301010000", "0000", "OPEN", "1", " ", "1", "2"),          // 6 kept
      record("XYZ", "202301010000", "2101", "OTHERAPP", "1", " ", "", ""),     // 7 kept
      record("std", "202412310000", "2101", "LATER", "1", " ", "", ""),        // 8 kept (/DAT=2023)
      record("", "", "", "NEW", "", "", "", ""),                               // 9 kept
  };
  write("qrtlnk.snd", joined(all));
  run_state().dat = "202399999999";
  clean_send_queue();
  EXPECT_EQ(records(), (std::vector<std::string>{all[3], all[6], all[7], all[8], all[9]}));

  // /APP= and /MID= with the removed records going to the /FIL= file.
  write("qrtlnk.snd", joined(all));
  write("archive.txt", "earlier\n");
  run_state().dat.clear();
  run_state().app_code = "xyz";
  run_state().fil_name = "archive.txt";
  clean_send_queue();
  EXPECT_EQ(records().size(), all.size() - 1);
  EXPECT_EQ(read("archive.txt"), "earlier\n" + all[7] + "\n");

  // With /MID=: a matching record with a failure code goes; one that does not match is decided
  // by the delivery rule only.
  write("qrtlnk.snd", joined(all));
  run_state().app_code.clear();
  run_state().fil_name.clear();
  run_state().mid_selection = "fail*";
  clean_send_queue();
  std::vector<std::string> left = records();
  EXPECT_EQ(std::count(left.begin(), left.end(), all[0]), 0);
  EXPECT_EQ(std::count(left.begin(), left.end(), all[1]), 0);
  EXPECT_EQ(std::count(left.begin(), left.end(), all[8]), 1) << "not matched, not delivered";
}

TEST_F(CleanUpTest, ArchiveThatCannotBeOpenedRemovesNothing) {
  if (testing::running_as_root()) GTEST_SKIP() << "permissions do not hold for root";
  std::string all = record("", "202301010000", "2101", "FAILED", "1", " ", "", "") + "\n";
  write("qrtlnk.snd", all);
  std::filesystem::create_directory(path("ro"));
  std::filesystem::permissions(path("ro"), std::filesystem::perms::owner_read |
                                               std::filesystem::perms::owner_exec);
  run_state().fil_name = "ro/archive.txt";
  EXPECT_THROW(clean_send_queue(), RunAborted);
  EXPECT_EQ(read("qrtlnk.snd"), all);
  EXPECT_EQ(read("qrtlnk.err").substr(0, 4), "0043");
  std::filesystem::permissions(path("ro"), std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace kv
