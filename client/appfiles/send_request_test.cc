// Tests of reading a send request's block: its command lines and its send-queue records.
#include "client/appfiles/send_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

// The fields of a record that a request fills, in one line.
std::string summary(const SndRecord& r) {
  std::string text;
  for (snd::Field field : {snd::kApplication, snd::kRequestStamp, snd::kPriority, snd::kSubject,
                           snd::kDelete, snd::kRecipientKind, snd::kAlias, snd::kCountry,
                           snd::kAdmd, snd::kPrmd, snd::kOrganisation, snd::kSurname}) {
    text += r.str(field) + "/";
  }
  return text;
}

TEST(SendRequestTest, BlockGivesCommandLinesAndOneRecordPerRecipient) {
  const SendRequest request({"APP=AB", "APP=XYZ", "MID=M1", "PRI=1", "mid=M2", "PRI=3",
                             "SUB=Hello", "DELETE", "FIL=f1", "FIL=f2", "COU=NL", "ADM=A1",
                             "PMD=P1", "ORG=O1", "SUR=First", "CCO", "SUR=Copy", "bco=",
                             "ALI=Blind", "CCOX", "CCO=", "DIS=List"});
  // Every line but APP= goes to the command file; the identifiers are given for completion.
  std::vector<std::string> lines;
  for (const SendRequest::CommandLine& line : request.command_lines()) {
    lines.push_back((line.message_id ? "id:" : "") + line.text);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"id:M1", "PRI=1", "id:M2", "PRI=3", "SUB=Hello",
                                             "DELETE", "FIL=f1", "FIL=f2", "COU=NL", "ADM=A1",
                                             "PMD=P1", "ORG=O1", "SUR=First", "CCO", "SUR=Copy",
                                             "bco=", "ALI=Blind", "CCOX", "CCO=", "DIS=List"}));
  EXPECT_EQ(request.files(), (std::vector<std::string>{"f1", "f2"}));

  // The first APP= has no three characters, so the fallback names the application; the last
  // PRI= counts; a copy keeps the country and domains, not the rest of the address.
  std::vector<std::string> records;
  for (const SndRecord& r : request.recipient_records(request.shared_record("FB", "STAMP"))) {
    records.push_back(summary(r));
  }
  EXPECT_EQ(records, (std::vector<std::string>{
                         "FB/STAMP/3/Hello/1/1//NL/A1/P1/O1/First/",
                         "FB/STAMP/3/Hello/1/2//NL/A1/P1//Copy/",
                         "FB/STAMP/3/Hello/1/3/Blind/NL/A1/P1///",
                         "FB/STAMP/3/Hello/1/4/List/NL/A1/P1///",
                     }));

  const SendRequest interchange({"APP=XYZ", "APP=AB", "MID=EDI1", "DIF=list.dif", "ALI=X"});
  std::vector<SndRecord> one = interchange.recipient_records(interchange.shared_record("FB", "S"));
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(summary(one[0]), "XYZ/S///0/5/X//////");
}

}  // namespace
}  // namespace kv
