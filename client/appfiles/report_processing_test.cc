// Tests of report processing.
#include "client/appfiles/report_processing.h"

#include <gtest/gtest.h>

#include "client/appfiles/snd_record.h"
#include "client/appfiles/store_test_home.h"
#include "client/common/open_files.h"
#include "client/common/report_layout.h"

namespace kv {
namespace {

class ReportProcessing : public StoreHome {
 protected:
  static std::string completed(const std::string& mid, const std::string& kind,
                               const std::string& surname, const std::string& alias = "") {
    SndRecord record;
    record.set(snd::kResultStamp, "202403141200");
    record.set(snd::kResultCode, "0000");
    record.set(snd::kRequestStamp, "202403141155");
    record.set(snd::kMessageId, mid);
    record.set(snd::kRecipientKind, kind);
    set_snd_completed_delivery(record);
    record.set(snd::kDelete, "0");
    record.set(snd::kAlias, alias);
    record.set(snd::kSurname, surname);
    return record.line();
  }

  static std::string report(const std::string& mid, const std::string& type,
                            const std::string& surname, const std::string& when = "202403151005",
                            const std::string& reason = "00") {
    ReportRecord line;
    line.set(report::kMessageId, mid);
    line.set(report::kMessageType, type);
    line.set(report::kNotifyType, "1");
    line.set(report::kEntryTime, "202403151001");
    line.set(report::kDeliveryTime, when);
    line.set(report::kReason, reason);
    line.set(report::kDiagnostic, "07");
    line.set(report::kRecipientSurname, surname);
    return line.line();
  }

  // Runs the report processing over one RAPPORT status line naming `report_lines`.
  void run_reports(const std::vector<std::string>& report_lines) {
    std::string text;
    for (const std::string& l : report_lines) text += l + "\n";
    dir.write("qrt400.rap", text);
    dir.write("qrtlnk.sts", "*000CONNECT|202403151100|0000\n*005RAPPORT|202403151101|0000||qrt400.rap|0\n");
    OpenFile status(app_home().open("qrtlnk.sts", "rb"));
    ASSERT_TRUE(status);
    process_reports(status.get());
  }

  std::string field(int record, snd::Field n) {
    return SndRecord(dir.lines("qrtlnk.snd")[record]).str(n);
  }
};

TEST_F(ReportProcessing, NotificationsAndReportsChangeTheRecordConcernedInPlace) {
  const std::vector<std::string> records = {
      completed("MSG1", "1", "JANSEN"), completed("MSG1", "2", "PIETERS"),
      completed("MSG12345", "1", "JANSEN"), completed("OTHER", "1", "PIETERS", "PIET")};
  std::string before;
  for (const std::string& r : records) before += r + "\n";
  dir.write("qrtlnk.snd", before);

  // A notification naming the second recipient changes only the second record.
  run_reports({report("msg1", "2", "pieters")});
  EXPECT_EQ(field(1, snd::kDeliveryState), "2");
  EXPECT_EQ(field(1, snd::kNotificationType), "1");
  EXPECT_EQ(field(1, snd::kDeliveryTime), "202403151005");
  EXPECT_EQ(field(1, snd::kReason), "00");
  EXPECT_EQ(field(1, snd::kDiagnostic), "07");
  EXPECT_EQ(field(1, snd::kResultStamp), "202403151101");
  std::vector<std::string> lines = dir.lines("qrtlnk.snd");
  EXPECT_EQ(lines[0], records[0]);
  EXPECT_EQ(lines[2], records[2]);
  EXPECT_EQ(lines[3], records[3]);
  EXPECT_EQ(dir.read("qrtlnk.snd").size(), before.size());

  // A report after the single notification, and the same notification again, change nothing.
  const std::string after_notification = dir.read("qrtlnk.snd");
  run_reports({report("MSG1", "3", "PIETERS", "202403151200"), report("MSG1", "2", "PIETERS", "202403151300")});
  EXPECT_EQ(dir.read("qrtlnk.snd"), after_notification);

  // An identifier that is a prefix of two records' identifiers: the first record concerned
  // changes; the next line goes on from there and reaches the second one.
  run_reports({report("MSG1", "3", "JANSEN", "", "05"), report("MSG1", "3", "JANSEN", "", "06")});
  EXPECT_EQ(field(0, snd::kDeliveryState), "3");
  EXPECT_EQ(field(0, snd::kReason), "05");
  EXPECT_EQ(field(0, snd::kDeliveryTime), std::string(12, ' '));  // empty values leave the field
  EXPECT_EQ(field(2, snd::kDeliveryState), "3");
  EXPECT_EQ(field(2, snd::kReason), "06");

  // A single notification after a report replaces the report's values; the alias counts too.
  run_reports({report("MSG1", "2", "JANSEN", "202403151400", "01"), report("OTHER", "2", "piet")});
  EXPECT_EQ(field(0, snd::kDeliveryState), "2");
  EXPECT_EQ(field(0, snd::kReason), "01");
  EXPECT_EQ(field(3, snd::kDeliveryState), "2");
  EXPECT_EQ(dir.read("qrtlnk.snd").size(), before.size());
}

TEST_F(ReportProcessing, SearchWrapsRoundAndOddRecordsStayUntouched) {
  // A record whose delivery fields do not have their widths is never rewritten (its neighbours
  // would be damaged); the search from the record changed last wraps round to the first record.
  std::string odd = "ABC|202403141200|0000|202403141155|MSG9|||||1|1|||||";
  const std::vector<std::string> records = {completed("MSG2", "1", "A"), odd,
                                            completed("MSG3", "1", "B")};
  std::string before;
  for (const std::string& r : records) before += r + "\n";
  dir.write("qrtlnk.snd", before);
  run_reports({report("MSG3", "2", "B"), report("MSG2", "2", "A"), report("MSG9", "2", "")});
  std::vector<std::string> lines = dir.lines("qrtlnk.snd");
  EXPECT_EQ(SndRecord(lines[0]).str(snd::kDeliveryState), "2");
  EXPECT_EQ(lines[1], odd);
  EXPECT_EQ(SndRecord(lines[2]).str(snd::kDeliveryState), "2");
  EXPECT_EQ(dir.read("qrtlnk.snd").size(), before.size());
}

TEST_F(ReportProcessing, MissingFilesChangeNothing) {
  dir.write("qrtlnk.sts", "*005RAPPORT|202403151101|0000||absent.rap|0\n");
  OpenFile status(app_home().open("qrtlnk.sts", "rb"));
  process_reports(status.get());  // no QRTLNK.SND
  EXPECT_FALSE(dir.exists("qrtlnk.snd"));
  dir.write("qrtlnk.snd", completed("MSG1", "1", "A") + "\n");
  std::fseek(status.get(), 0, SEEK_SET);
  process_reports(status.get());  // no report file
  EXPECT_EQ(dir.lines("qrtlnk.snd")[0], completed("MSG1", "1", "A"));
}

}  // namespace
}  // namespace kv
