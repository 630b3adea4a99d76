// Tests of result processing: the status file carried into the application's files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "client/appfiles/command_blocks.h"
#include "client/appfiles/entry_points.h"
#include "client/appfiles/snd_record.h"
#include "client/appfiles/store_test_home.h"
#include "platform/fs.h"

namespace kv {
namespace {

class ResultProcessing : public StoreHome {
 protected:
  static std::string lines(const std::vector<std::string>& list) {
    std::string text;
    for (const std::string& l : list) text += l + "\n";
    return text;
  }
  static std::string connect(const std::string& result = "0000") {
    return "*000CONNECT|202403151030|" + result;
  }
  static std::string fil_line(const std::string& tag, const std::string& mid,
                              const std::string& fil) {
    return status_line(tag, "202403151031", "0000", "L" + mid, mid, "0", fil);
  }
};

TEST_F(ResultProcessing, FailedConnectionRecordsNothing) {
  dir.write("qrtlnk.scr", "*000CONNECT\n*001ONTVANG\n");
  dir.write("qrtlnk.sts", lines({connect("1501"),
                                 status_line("*001ONTVANG", "202403151031", "0000", "L1", "M1",
                                             "1", "BBBBBBBB.001")}));
  verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts");
  EXPECT_FALSE(dir.exists("qrtlnk.rcv"));
  verwerk_resultaten("qrtlnk.scr", "absent.sts");
  verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts");
  EXPECT_FALSE(dir.exists("qrtlnk.rcv"));
}

TEST_F(ResultProcessing, ReceivedMessagesOutsideFilFilesGetRecords) {
  run_state().app_id = "APP";
  dir.write("qrtlnk.scr",
            "*000CONNECT\nSRV=file:x\n*001ONTVANG\nDIR=in\n*002ONTVANG\nFIL=mine.dat\n"
            "*003ANTWOORD\n*004ANTWOORD\nFIL=ans.dat\n*005ONTVANG\nSUB=x\n");
  const std::string m1 = status_line("*001ONTVANG", "202403151031", "0000", "L1", "M1", "3", "in/BBBBBBBB.001", "Eerste");
  const std::string m2 = status_line("*001ONTVANG", "202403151031", "0000", "L2", "M2", "1", "in/CCCCCCCC.001");
  const std::string a1 = status_line("*003ANTWOORD", "202403151032", "0000", "L4", "A1", "1", "DDDDDDDD.001");
  const std::string a2 = status_line("*003ANTWOORD", "202403151032", "0000", "L5", "A2", "1", "FFFFFFFF.001");
  const std::string m4 = status_line("*005ONTVANG", "202403151033", "1516", "L7", "M4", "1", "GGGGGGGG.001");
  dir.write("qrtlnk.sts",
            lines({connect(), m1, m2, fil_line("*002ONTVANG", "M3", "mine.dat"), a1, a2,
                   fil_line("*004ANTWOORD", "A3", "ans.dat"), m4,
                   // A failed fetch: the engine empties the count and the file name.
                   status_line("*005ONTVANG", "202403151033", "1511", "L8", "M5", "", ""),
                   "*006LIJST|202403151034|0000|list.txt|0"}));
  // An old record at 45 day numbers stays; one at 46 goes with its part files.
  const std::string kept = store_message("OLD45", "JJJJJJJJ", 1, "202401300900");
  const std::string purged = store_message("OLD46", "KKKKKKKK", 2, "202401292359");
  write_store({kept, purged});

  verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts");

  EXPECT_EQ(store(),
            (std::vector<std::string>{kept, build_rcv_record("APP", StatusRecord(m1)).line(),
                                      build_rcv_record("APP", StatusRecord(m2)).line(),
                                      build_rcv_record("APP", StatusRecord(a1)).line(),
                                      build_rcv_record("APP", StatusRecord(a2)).line(),
                                      build_rcv_record("APP", StatusRecord(m4)).line()}));
  EXPECT_EQ(store()[1], "APP|202403151031|L1|M1|3|in/BBBBBBBB.001|Eerste||1|0");
  EXPECT_TRUE(dir.exists("JJJJJJJJ.001"));
  EXPECT_FALSE(dir.exists("KKKKKKKK.001"));
  EXPECT_FALSE(dir.exists("KKKKKKKK.002"));
  EXPECT_TRUE(files_beginning("QLX_").empty());
}

TEST_F(ResultProcessing, PurgeRunsOnlyWhenARecordWasAppended) {
  const std::string old = store_message("OLD", "KKKKKKKK", 1, "202301010900");
  write_store({old});
  dir.write("qrtlnk.scr", "*000CONNECT\n*001ONTVANG\nFIL=mine.dat\n");
  dir.write("qrtlnk.sts", lines({connect(), fil_line("*001ONTVANG", "M1", "mine.dat")}));
  verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts");
  EXPECT_EQ(store(), std::vector<std::string>{old});
  // A record whose stamp carries no date is kept rather than purged.
  const std::string odd = "|junk|L|X|1|ZZZZZZZZ.001";
  write_store({odd});
  dir.write("qrtlnk.scr", "*000CONNECT\n*001ONTVANG\n");
  const std::string m = status_line("*001ONTVANG", "202403151031", "0000", "L1", "M1", "1", "B.001");
  dir.write("qrtlnk.sts", lines({connect(), m}));
  verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts");
  EXPECT_EQ(store(),
            (std::vector<std::string>{odd, build_rcv_record("   ", StatusRecord(m)).line()}));
}

TEST_F(ResultProcessing, AppendingNeverGluesRecords) {
  // Receive store: the last record lost its line end (an editor, a copy from another system).
  const std::string kept = store_message("OLD", "JJJJJJJJ", 1);
  dir.write("qrtlnk.rcv", kept);
  dir.write("qrtlnk.scr", "*000CONNECT\n*001ONTVANG\n");
  const std::string m = status_line("*001ONTVANG", "202403151031", "0000", "L1", "M1", "1", "B.001");
  dir.write("qrtlnk.sts", lines({connect(), m}));
  verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts");
  EXPECT_EQ(dir.read("qrtlnk.rcv"),
            kept + "\n" + build_rcv_record("   ", StatusRecord(m)).line() + "\n");

  // Send queue: the translation appends the records of a send.
  const std::string open_record = SndRecord().line();
  dir.write("qrtlnk.snd", open_record);
  dir.write("qrtlnk.gns", "POS=USER1\nPIN=secret1\nSRV=file:store\n");
  dir.write("data.txt", "hello\n");
  dir.write("qrtlnk.scr", "*001ZEND\nMID=ABC\nFIL=data.txt\nALI=PARTNER\n");
  vertaal_opdrachten("qrtlnk.scr");
  std::vector<std::string> queue = dir.lines("qrtlnk.snd");
  ASSERT_EQ(queue.size(), 2u);
  EXPECT_EQ(queue[0], open_record);

  // /C output file: the removed record goes below what the file held.
  SndRecord failed;
  failed.set(snd::kResultStamp, "202301010000");
  failed.set(snd::kResultCode, "2101");
  dir.write("qrtlnk.snd", failed.line() + "\n");
  dir.write("archive.txt", "earlier");
  run_state().fil_name = "archive.txt";
  clean_send_queue();
  EXPECT_EQ(dir.read("archive.txt"), "earlier\n" + failed.line() + "\n");
}

TEST_F(ResultProcessing, GatheringCollectsStoredMessagesOfTheKind) {
  const std::string g1 = store_message("EDI001ABC", "BBBBBBBB", 2);
  const std::string other = store_message("EDI002XYZ", "CCCCCCCC", 1);
  const std::string g2 = store_message("edi003abc", "DDDDDDDD", 1);
  const std::string text = store_message("ABCTXT0001", "FFFFFFFF", 1);
  write_store({g1, other, g2, text});
  dir.write("qrtlnk.scr", "*000CONNECT\n*001ONTVANG\nMID=EDI???ABC\nFIL=orders.edi\n*002LIJST\n");
  // The application's file is a link to its own place, readable for others: it stays so.
  dir.write("data/orders.edi", "received this run\n");
  ASSERT_EQ(::chmod(dir.file("data/orders.edi").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("data/orders.edi", dir.file("orders.edi").c_str()), 0);
  const std::string current = fil_line("*001ONTVANG", "EDI009ABC", "orders.edi");
  const std::string second = fil_line("*001ONTVANG", "EDI010ABC", "orders.edi");
  const std::string lijst = "*002LIJST|202403151034|0000|list.txt|0";
  dir.write("qrtlnk.sts", lines({connect(), current, second, lijst}));

  verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts");

  EXPECT_EQ(store(), (std::vector<std::string>{other, text}));
  EXPECT_EQ(dir.read("orders.edi"),
            "EDI001ABC part 1\nEDI001ABC part 2\nedi003abc part 1\nreceived this run\n");
  EXPECT_TRUE(fs::is_symbolic_link(dir.file("orders.edi")));
  EXPECT_EQ(fs::status(dir.file("data/orders.edi")).mode, 0644u);
  EXPECT_FALSE(dir.exists("BBBBBBBB.001"));
  EXPECT_FALSE(dir.exists("BBBBBBBB.002"));
  EXPECT_FALSE(dir.exists("DDDDDDDD.001"));
  EXPECT_TRUE(dir.exists("CCCCCCCC.001"));
  std::vector<std::string> status = dir.lines("qrtlnk.sts");
  ASSERT_EQ(status.size(), 6u);
  EXPECT_EQ(status[0], connect());
  EXPECT_EQ(status[1], "*001ONTVANG|202403140900|0000|LBBBBBBBB|EDI001ABC|1|0|0|orders.edi");
  EXPECT_EQ(StatusRecord(status[2]).str(status::message::kMessageId), "edi003abc");
  EXPECT_EQ(status[3], current);
  EXPECT_EQ(status[4], second);
  EXPECT_EQ(status[5], lijst);
  EXPECT_TRUE(files_beginning("QLX_").empty());
  EXPECT_TRUE(files_beginning("TM").empty());
}

TEST_F(ResultProcessing, GatheringNeedsOneKindAndOneFilFile) {
  const std::string g1 = store_message("EDI001ABC", "BBBBBBBB", 1);
  for (const std::string block : {"MID=EDI???A?C\nFIL=o.edi\n", "MID=EDI???ABC\nFIL=o.edi\nFIL=p.edi\n",
                                  "NOD\nMID=EDI???ABC\nFIL=o.edi\n", "MID=EDI*\nFIL=o.edi\n"}) {
    write_store({g1});
    dir.write("qrtlnk.scr", std::string("*000CONNECT\n*001ONTVANG\n") + block);
    dir.write("qrtlnk.sts", lines({connect(), fil_line("*001ONTVANG", "EDI009ABC", "o.edi")}));
    verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts");
    EXPECT_EQ(store(), std::vector<std::string>{g1}) << block;
    EXPECT_TRUE(dir.exists("BBBBBBBB.001"));
  }
  EXPECT_TRUE(is_edi_gathering_pattern("edi?x?abc"));
  EXPECT_FALSE(is_edi_gathering_pattern("EDI???AB"));
}

TEST_F(ResultProcessing, GatheringWithoutMatchesLeavesTheStatusFile) {
  const std::string other = store_message("EDI002XYZ", "CCCCCCCC", 1);
  write_store({other});
  dir.write("qrtlnk.scr", "*000CONNECT\n*001ONTVANG\nMID=EDI???ABC\nFIL=orders.edi\nSUR=JAN*\n");
  const std::string status = lines({connect(), fil_line("*001ONTVANG", "EDI009ABC", "orders.edi")});
  dir.write("qrtlnk.sts", status);
  dir.write("orders.edi", "x\n");
  verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts");
  EXPECT_EQ(dir.read("qrtlnk.sts"), status);
  EXPECT_EQ(dir.read("orders.edi"), "x\n");
  EXPECT_EQ(store(), std::vector<std::string>{other});
}

TEST_F(ResultProcessing, InterchangeListMerge) {
  dir.write("app.edi", "the whole original\n");
  dir.write("other.edi", "other original\n");
  write_interchange_list();
  merge_interchange_list();
  EXPECT_EQ(dir.read("app.edi"), "I1\nI4\n");
  EXPECT_EQ(dir.read("other.edi"), "I3\n");
  EXPECT_FALSE(dir.exists("KV000001.edi"));
  EXPECT_FALSE(dir.exists("KV000004.edi"));
  EXPECT_FALSE(dir.exists("list.tmp"));
  merge_interchange_list();  // a second call finds no list
  EXPECT_EQ(dir.read("app.edi"), "I1\nI4\n");

  // Before the session: the work files are only removed.
  dir.write("KV000001.edi", "I1\n");
  dir.write("list.tmp", "app.edi|KV000001.edi|1|\n");
  run_state().engine_started = false;
  merge_interchange_list();
  EXPECT_EQ(dir.read("app.edi"), "I1\nI4\n");
  EXPECT_FALSE(dir.exists("KV000001.edi"));
  EXPECT_FALSE(dir.exists("list.tmp"));
}

TEST_F(ResultProcessing, CommandFileRotation) {
  dir.write("qrt_lnk.old", "older\n");
  dir.write("qrtlnk.scr", "*000CONNECT\n");
  rotate_command_file("qrtlnk.scr");
  EXPECT_EQ(dir.read("qrt_lnk.old"), "*000CONNECT\n");
  EXPECT_FALSE(dir.exists("qrtlnk.scr"));
}

TEST(CommandBlocks, EachStatusLineFindsItsOwnBlock) {
  CommandBlocks blocks;
  for (const char* line : {"*000CONNECT", "*001ANTWOORD", "*002ONTVANG", "MID=EDI???ABC",
                           "FIL=a.edi", "*003ONTVANG", "nod", "FIL=b.dat", "*001ANTWOORD",
                           "FIL=c.dat"}) {
    blocks.add_line(line);
  }
  int first = blocks.locate("*001ANTWOORD");
  EXPECT_FALSE(blocks.block(first).has_fil());
  EXPECT_EQ(blocks.locate("*001ANTWOORD"), first);  // later lines of the same command
  EXPECT_TRUE(blocks.block(blocks.locate("*002ONTVANG")).gathers());
  const CommandBlock& nod = blocks.block(blocks.locate("*003ontvang"));
  EXPECT_FALSE(nod.gathers());
  EXPECT_TRUE(nod.has_fil());  // FIL= behind NOD still keeps the message out of the store
  EXPECT_TRUE(blocks.block(blocks.locate("*001ANTWOORD")).has_fil());  // the second *001
  EXPECT_EQ(blocks.locate("*009ONTVANG"), -1);
}

}  // namespace
}  // namespace kv
