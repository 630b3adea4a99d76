// A plain send request: the block goes to the command file as it is (with the message
// identifier completed and without APP= lines), and QRTLNK.SND gets one record per recipient.
#include <string>
#include <vector>

#include "client/appfiles/message_id.h"
#include "client/appfiles/request_text.h"
#include "client/appfiles/snd_record.h"
#include "client/appfiles/translation.h"
#include "client/common/day_number.h"
#include "client/common/line_writer.h"
#include "client/common/text.h"

namespace kv {

namespace {

struct AddressKeyword {
  const char* keyword;
  snd::Field field;
};

// The addressing attributes and the record fields they fill.
constexpr AddressKeyword kAddressFields[] = {
    {"COU=", snd::kCountry},
    {"ADM=", snd::kAdmd},
    {"PMD=", snd::kPrmd},
    {"ORG=", snd::kOrganisation},
    {"OUA=", snd::kUnitA},
    {"OUB=", nth_field(snd::kUnitA, 1)},
    {"OUC=", nth_field(snd::kUnitA, 2)},
    {"OUD=", nth_field(snd::kUnitA, 3)},
    {"SUR=", snd::kSurname},
    {"GIV=", snd::kGivenName},
    {"INI=", snd::kInitials},
    {"GQU=", snd::kGeneration},
    {"DTA=", snd::kFirstDomainType},
    {"DVA=", nth_field(snd::kFirstDomainType, 1)},
    {"DTB=", nth_field(snd::kFirstDomainType, 2)},
    {"DVB=", nth_field(snd::kFirstDomainType, 3)},
    {"DTC=", nth_field(snd::kFirstDomainType, 4)},
    {"DVC=", nth_field(snd::kFirstDomainType, 5)},
    {"DTD=", nth_field(snd::kFirstDomainType, 6)},
    {"DVD=", snd::kLastDomainValue},
    {"ALI=", snd::kAlias},
};

bool is_copy_separator(const std::string& line) {
  return equals_ignore_case(line, "BCO=") || equals_ignore_case(line, "BCO") ||
         equals_ignore_case(line, "CCO=") || equals_ignore_case(line, "CCO");
}

// A copy recipient starts from the record so far without the recipient's own address; the
// country, ADMD and PRMD carry over.
void start_copy_recipient(SndRecord& record, const std::string& separator) {
  record.set(snd::kRecipientKind, line_begins(separator, "BCO") ? "3" : "2");
  record.set(snd::kAlias, "");
  for (int n = snd::kOrganisation; n <= snd::kLastDomainValue; ++n) {
    record.set(static_cast<snd::Field>(n), "");
  }
}

void write_record(Translation& tr, const SndRecord& record) {
  write_line(tr.snd.get(), record.line(), "qrtlnk.snd");
}

}  // namespace


void translate_plain_send(Translation& tr, const std::string& command,
                          const std::vector<std::string>& block) {
  SndRecord record;
  std::string stamp = current_time_stamp();
  record.set(snd::kDelete, "0");
  tr.write(command);

  // First pass: the message's own attributes; every line but APP= goes to the command file.
  bool application_set = false;
  bool application_seen = false;
  int files = 0;
  for (const std::string& line : block) {
    std::string keyword = attribute_keyword(line);
    std::string value = attribute_value(line);
    if (keyword == "APP=") {
      if (!application_seen && value.size() == 3) {
        record.set(snd::kApplication, value);
        application_set = true;
      }
      application_seen = true;
      continue;
    }
    if (keyword == "MID=") {
      vul_message_id(value);
      record.set(snd::kMessageId, value);
      tr.write("MID=" + value);
      continue;
    }
    if (keyword == "NOT=") record.set(snd::kNotification, value);
    if (keyword == "RAP=") record.set(snd::kReport, value);
    if (keyword == "PRI=") record.set(snd::kPriority, value);
    if (keyword == "SEN=") record.set(snd::kSensitivity, value);
    if (keyword.compare(0, 3, "DEL") == 0) record.set(snd::kDelete, "1");
    if (keyword == "SUB=") record.set(snd::kSubject, value);
    if (keyword == "IRP=") record.set(snd::kInReplyTo, value);
    if (keyword == "FIL=" && files < 8) record.set(nth_field(snd::kFirstFile, files++), value);
    tr.write(line);
  }
  if (!application_set) record.set(snd::kApplication, tr.record_application());
  record.set(snd::kRecipientKind, "1");
  record.set(snd::kRequestStamp, stamp);

  // Second pass: the recipients, one record each.
  for (const std::string& line : block) {
    std::string keyword = attribute_keyword(line);
    std::string value = attribute_value(line);
    for (const AddressKeyword& address : kAddressFields) {
      if (keyword == address.keyword) record.set(address.field, value);
    }
    if (keyword == "DIS=") {
      record.set(snd::kRecipientKind, "4");
      record.set(snd::kAlias, value);
    }
    if (keyword == "DIF=") record.set(snd::kRecipientKind, "5");
    if (is_copy_separator(line)) {
      write_record(tr, record);
      start_copy_recipient(record, line);
    }
  }
  write_record(tr, record);
}

}  // namespace kv
