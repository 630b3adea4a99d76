// Reading a send request's block once, and the send-queue records it gives.
#include "client/appfiles/send_request.h"

#include <cstddef>
#include <string>
#include <vector>

#include "client/appfiles/request_text.h"
#include "client/common/text.h"

namespace kv {

namespace {

// Whether the four-character attribute keyword (`attribute_keyword`) is "XXX=" for the entry.
bool is_keyword(const std::string& keyword, const send_keywords::KeywordFields& entry) {
  return keyword.size() == 4 && keyword[3] == '=' && keyword.compare(0, 3, entry.keyword) == 0;
}

bool is_copy_separator(const std::string& line) {
  return equals_ignore_case(line, "BCO=") || equals_ignore_case(line, "BCO") ||
         equals_ignore_case(line, "CCO=") || equals_ignore_case(line, "CCO");
}

const send_keywords::KeywordFields& kMessageId = send_keywords::kMessage[0];

}  // namespace

SendRequest::SendRequest(const std::vector<std::string>& block) : lines_(block) {
  for (const std::string& line : lines_) read_line(line);
}

void SendRequest::read_line(const std::string& line) {
  const std::string keyword = attribute_keyword(line);
  const std::string value = attribute_value(line);
  if (keyword == "APP=") {
    if (!application_seen_ && value.size() == 3) application_ = value;
    application_seen_ = true;
    return;
  }
  command_lines_.push_back(is_keyword(keyword, kMessageId) ? CommandLine{value, true}
                                                            : CommandLine{line, false});
  // Any keyword beginning with DEL asks for the removal of the files.
  if (keyword.compare(0, 3, "DEL") == 0) delete_files_ = true;
  for (std::size_t i = 0; i < std::size(send_keywords::kMessage); ++i) {
    if (is_keyword(keyword, send_keywords::kMessage[i])) message_values_[i] = value;
  }
  if (is_keyword(keyword, send_keywords::kFiles)) files_.push_back(value);

  for (const send_keywords::KeywordFields& address : send_keywords::kAddress) {
    if (is_keyword(keyword, address)) {
      address_steps_.push_back({AddressStep::kField, address.record, value});
    }
  }
  if (keyword == "DIS=") address_steps_.push_back({AddressStep::kList, snd::kAlias, value});
  if (keyword == "DIF=") address_steps_.push_back({AddressStep::kInterchange, snd::kAlias, ""});
  if (is_copy_separator(line)) {
    const auto kind = line_begins(line, "BCO") ? AddressStep::kBlindCopy : AddressStep::kCopy;
    address_steps_.push_back({kind, snd::kAlias, ""});
  }
}

SndRecord SendRequest::shared_record(const std::string& fallback_application,
                                     const std::string& stamp) const {
  SndRecord record;
  record.set(snd::kApplication, application_.empty() ? fallback_application : application_);
  for (std::size_t i = 0; i < std::size(send_keywords::kMessage); ++i) {
    const send_keywords::KeywordFields& entry = send_keywords::kMessage[i];
    if (entry.record != snd::kMessageId) record.set(entry.record, message_values_[i]);
  }
  record.set(snd::kDelete, delete_files_ ? "1" : "0");
  record.set(snd::kRecipientKind, "1");
  record.set(snd::kRequestStamp, stamp);
  return record;
}

std::vector<SndRecord> SendRequest::recipient_records(SndRecord first) const {
  std::vector<SndRecord> records;
  SndRecord record = std::move(first);
  for (const AddressStep& step : address_steps_) {
    switch (step.kind) {
      case AddressStep::kField:
        record.set(step.field, step.value);
        break;
      case AddressStep::kList:
        record.set(snd::kRecipientKind, "4");
        record.set(snd::kAlias, step.value);
        break;
      case AddressStep::kInterchange:
        record.set(snd::kRecipientKind, "5");
        break;
      case AddressStep::kCopy:
      case AddressStep::kBlindCopy:
        // A copy recipient starts from the record so far without the recipient's own address;
        // the country, ADMD and PRMD carry over.
        records.push_back(record);
        record.set(snd::kRecipientKind, step.kind == AddressStep::kBlindCopy ? "3" : "2");
        record.set(snd::kAlias, "");
        for (int n = snd::kOrganisation; n <= snd::kLastDomainValue; ++n) {
          record.set(static_cast<snd::Field>(n), "");
        }
        break;
    }
  }
  records.push_back(std::move(record));
  return records;
}

}  // namespace kv
