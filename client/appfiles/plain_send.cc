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
  int field;
};

// The addressing attributes and the record fields they fill.
constexpr AddressKeyword kAddressFields[] = {
    {"COU=", snd::kCountry},   {"ADM=", snd::kAdmd},         {"PMD=", snd::kPrmd},
    {"ORG=", snd::kOrganisation}, {"OUA=", snd::kUnitA},     {"OUB=", snd::kUnitA + 1},
    {"OUC=", snd::kUnitA + 2}, {"OUD=", snd::kUnitA + 3},    {"SUR=", snd::kSurname},
    {"GIV=", snd::kGivenName}, {"INI=", snd::kInitials},     {"GQU=", snd::kGeneration},
    {"DTA=", 40},              {"DVA=", 41},                 {"DTB=", 42},
    {"DVB=", 43},              {"DTC=", 44},                 {"DVC=", 45},
    {"DTD=", 46},              {"DVD=", 47},                 {"ALI=", snd::kAlias},
};

bool is_copy_separator(const std::string& line) {
  return equals_ignore_case(line, "BCO=") || equals_ignore_case(line, "BCO") ||
         equals_ignore_case(line, "CCO=") || equals_ignore_case(line, "CCO");
}

// A copy recipient starts from the record so far without the recipient's own address; the
// country, ADMD and PRMD carry over.
void start_copy_recipient(std::string& record, const std::string& separator) {
  set_snd_field(record, snd::kRecipientKind, line_begins(separator, "BCO") ? "3" : "2");
  set_snd_field(record, snd::kAlias, "");
  for (int field = snd::kOrganisation; field <= snd::kLastDomainValue; ++field) {
    set_snd_field(record, field, "");
  }
}

void write_record(Translation& tr, const std::string& record) {
  write_line(tr.snd.get(), snd_record_line(record), "qrtlnk.snd");
}

}  // namespace


void translate_plain_send(Translation& tr, const std::string& command,
                          const std::vector<std::string>& block) {
  std::string record = new_snd_record();
  std::string stamp = current_time_stamp();
  set_snd_field(record, snd::kDelete, "0");
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
        set_snd_field(record, snd::kApplication, value);
        application_set = true;
      }
      application_seen = true;
      continue;
    }
    if (keyword == "MID=") {
      vul_message_id(value);
      set_snd_field(record, snd::kMessageId, value);
      tr.write("MID=" + value);
      continue;
    }
    if (keyword == "NOT=") set_snd_field(record, snd::kNotification, value);
    if (keyword == "RAP=") set_snd_field(record, snd::kReport, value);
    if (keyword == "PRI=") set_snd_field(record, snd::kPriority, value);
    if (keyword == "SEN=") set_snd_field(record, snd::kSensitivity, value);
    if (keyword.compare(0, 3, "DEL") == 0) set_snd_field(record, snd::kDelete, "1");
    if (keyword == "SUB=") set_snd_field(record, snd::kSubject, value);
    if (keyword == "IRP=") set_snd_field(record, snd::kInReplyTo, value);
    if (keyword == "FIL=" && files < 8) set_snd_field(record, snd::kFirstFile + files++, value);
    tr.write(line);
  }
  if (!application_set) set_snd_field(record, snd::kApplication, tr.record_application());
  set_snd_field(record, snd::kRecipientKind, "1");
  set_snd_field(record, snd::kRequestStamp, stamp);

  // Second pass: the recipients, one record each.
  for (const std::string& line : block) {
    std::string keyword = attribute_keyword(line);
    std::string value = attribute_value(line);
    for (const AddressKeyword& address : kAddressFields) {
      if (keyword == address.keyword) set_snd_field(record, address.field, value);
    }
    if (keyword == "DIS=") {
      set_snd_field(record, snd::kRecipientKind, "4");
      set_snd_field(record, snd::kAlias, value);
    }
    if (keyword == "DIF=") set_snd_field(record, snd::kRecipientKind, "5");
    if (is_copy_separator(line)) {
      write_record(tr, record);
      start_copy_recipient(record, line);
    }
  }
  write_record(tr, record);
}

}  // namespace kv
