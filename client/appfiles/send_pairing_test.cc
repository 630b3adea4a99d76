// Tests of settling the run's send-queue records from the ZEND status lines, on tricky runs.
#include "client/appfiles/send_pairing.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kv {
namespace {

constexpr const char* kToday = "202403071200";
constexpr const char* kRequested = "202403070900";

struct Rec {
  const char* kind;
  const char* mid;
  const char* alias;
  const char* surname;
};

struct Line {
  const char* tag;
  const char* stamp;
  const char* code;
  const char* mid;
  const char* kind;
  const char* alias;
  const char* surname;
  const char* priority;
};

struct SendRun {
  const char* name;
  std::vector<Rec> records;  // the open records, in file order
  std::vector<std::string> sav;
  std::unordered_map<long, std::size_t> interchanges;
  std::vector<std::pair<std::string, std::string>> questions;  // message identifier, answer
  std::vector<Line> status;
  // Per record "code@stamp/priority" (an open record reads "@/"), and per block "kept"/"done".
  std::vector<std::string> settled;
  std::vector<std::string> blocks;
};

SndRecord record_of(const Rec& r) {
  SndRecord record;
  record.set(snd::kRequestStamp, kRequested);
  record.set(snd::kMessageId, r.mid);
  record.set(snd::kRecipientKind, r.kind);
  record.set(snd::kAlias, r.alias);
  record.set(snd::kCountry, "NL");
  record.set(snd::kSurname, r.surname);
  return record;
}

ZendStatusLine line_of(const Line& l) {
  StatusRecord fields;
  fields.set(status::kTag, l.tag);
  fields.set(status::kStamp, l.stamp);
  fields.set(status::kResult, l.code);
  fields.set(status::zend::kMessageId, l.mid);
  fields.set(status::zend::kPriority, l.priority);
  fields.set(status::zend::kRecipientKind, l.kind);
  fields.set(status::zend::kAlias, l.alias);
  fields.set(status::zend::kCountry, *l.alias ? "" : "NL");
  fields.set(status::zend::kSurname, l.surname);
  ZendStatusLine line;
  EXPECT_TRUE(read_zend_status_line(fields.line(), line)) << l.tag;
  return line;
}

const std::vector<SendRun>& runs() {
  static const std::vector<SendRun> kRuns = {
      {"repeated address: each record takes the line of its own kind, in any order",
       {{"1", "M1", "X", ""}, {"2", "M1", "X", ""}},
       {"*001ZEND", "MID=M1", "ALI=X", "CCO", "ALI=X"},
       {},
       {},
       {{"*009ZEND", "202403071001", "0000", "OTHER", "1", "X", "", "3"},  // no send's line
        {"*001ZEND", "202403071002", "0000", "M1", "2", "X", "", "2"},
        {"*001ZEND", "202403071002", "0000", "M1", "1", "X", "", "1"},
        {"*001ZEND", "202403071003", "0000", "M1", "2", "X", "", "3"}},  // one line too many
       {"0000@202403071002/1", "0000@202403071002/2"},
       {"done"}},
      {"missing line, a send passed over, a failed send",
       {{"1", "A", "", "P"}, {"2", "A", "", "Q"}, {"1", "B", "Z", ""}, {"1", "C", "W", ""}},
       {"*001ZEND", "MID=A", "SUR=P", "CCO", "SUR=Q", "*002ZEND", "MID=B", "ALI=Z", "*003ZEND",
        "MID=C", "ALI=W"},
       {},
       {},
       {{"*001ZEND", "202403071001", "0000", "A", "1", "", "P", "2"},
        {"*003ZEND", "202403071003", "2101", "C", "", "", "", ""}},
       {"0000@202403071001/2", "2006@202403071001/", "2006@202403071003/", "2101@202403071003/"},
       {"kept", "kept", "kept"}},
      {"own addresses first; a copy sent under other domains then takes a line of its kind",
       {{"1", "D", "", "P"}, {"2", "D", "", "Q"}, {"2", "D", "", "R"}},
       {"*001ZEND", "MID=D", "SUR=P", "CCO", "SUR=Q", "CCO", "SUR=R"},
       {},
       {},
       {{"*001ZEND", "202403071001", "0000", "D", "1", "", "P", "1"},
        {"*001ZEND", "202403071001", "0000", "D", "2", "", "R", "2"},
        {"*001ZEND", "202403071001", "0000", "D", "2", "", "OTHER", "3"}},
       {"0000@202403071001/1", "0000@202403071001/3", "0000@202403071001/2"},
       {"done"}},
      {"an earlier run's record in front; interchanges of one block share their identifier",
       {{"1", "OLD", "Q", ""}, {"1", "EDI1", "U1", ""}, {"1", "EDI1", "U2", ""}},
       {"junk before the first block", "*001ZEND", "DIF=x.edi", "MID=EDI1"},
       {{1, 2}},
       {},
       {{"*001ZEND", "202403071001", "0000", "EDI1", "5", "U1", "", "1"},
        {"*001ZEND", "202403071002", "1502", "EDI1", "5", "U2", "", "2"}},
       {"2006@202403071001/", "0000@202403071001/1", "1502@202403071002/2"},
       {"kept"}},
      {"without status lines; a killed run's questions, open and answered",
       {{"1", "K", "X", ""}, {"1", "J", "Y", ""}, {"1", "N", "Z", ""}},
       {"*001ZEND", "MID=K", "ALI=X", "*002ZEND", "MID=J", "ALI=Y", "*003ZEND", "MID=N", "ALI=Z"},
       {},
       {{"K", ""}, {"J", "0000"}},
       {},
       {"@/", "0000@202403071200/", "2006@202403071200/"},
       {"kept", "done", "kept"}},
  };
  return kRuns;
}

TEST(SendPairingTest, TrickyRunsSettleAsBefore) {
  for (const SendRun& run : runs()) {
    SCOPED_TRACE(run.name);
    std::vector<SndRecord> records;
    std::vector<std::size_t> open;
    for (const Rec& r : run.records) {
      open.push_back(records.size());
      records.push_back(record_of(r));
    }
    SavFile sav;
    for (const std::string& line : run.sav) sav.add_line(line);
    SendFacts facts{run.interchanges, {}};
    for (const auto& [mid, answer] : run.questions) {
      facts.questions.answers[{mid, kRequested}] = answer;
    }
    std::vector<ZendStatusLine> status;
    for (const Line& l : run.status) status.push_back(line_of(l));

    settle_run_records(records, open, sav, facts, status, kToday);

    std::vector<std::string> settled;
    for (const SndRecord& r : records) {
      settled.push_back(r.str(snd::kResultCode) + "@" + r.str(snd::kResultStamp) + "/" +
                        r.str(snd::kPriority));
    }
    EXPECT_EQ(settled, run.settled);
    std::vector<std::string> blocks;
    for (const SavBlock& block : sav.blocks) blocks.push_back(block.succeeded ? "done" : "kept");
    EXPECT_EQ(blocks, run.blocks);
  }
  // Only ZEND lines take part; the leading lines of QRTLNK.SAV stay apart from the blocks.
  ZendStatusLine line;
  EXPECT_FALSE(read_zend_status_line("*002ONTVANG|202403071000|0000|", line));
  SavFile sav;
  sav.add_line("REM");
  sav.add_line("*001ZEND");
  EXPECT_EQ(sav.leading, std::vector<std::string>{"REM"});
  ASSERT_EQ(sav.blocks.size(), 1u);
}

}  // namespace
}  // namespace kv
