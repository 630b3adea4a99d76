// The filter texts of the mailbox listing, in the filter language of the mail service.
#include "client/engine/mailbox_filter.h"

#include <algorithm>

#include "client/engine/attribute_table.h"
#include "client/engine/engine_control.h"

namespace kv::engine {

namespace {

const char* priority_name(char code) {
  switch (code) {
    case '1': return "NORMAL";
    case '2': return "NU_URG";
    case '3': return "URGENT";
    default: return "";
  }
}

const char* sensitivity_name(char code) {
  switch (code) {
    case '1': return "NO_CONF";
    case '2': return "CONF";
    case '3': return "PERSONEL";
    case '4': return "PRIVATE";
    default: return "";
  }
}

std::string cut(const std::string& value, std::size_t n) { return value.substr(0, n); }

}  // namespace

std::string base_filter(int command_kind, bool announcements, bool already_read) {
  if (announcements) return "MSG_TYPE=MSG";
  std::string filter;
  if (command_kind == kLijst || command_kind == kOntvang) {
    filter = "( MSG_TYPE=MSG & IP_MSG_ID=FT?CAN*) | ";
  }
  filter += already_read ? "( ACCESS_STATUS=READ & " : "( ACCESS_STATUS=NEW  & ";
  filter += command_kind == kRapport ? "(MSG_TYPE=NTF | MSG_TYPE=RPT) )" : "MSG_TYPE=MSG )";
  return filter;
}

std::string filter_date(const std::string& digits) {
  std::string text = digits.substr(4, 2) + "/" + digits.substr(2, 2) + "/" + digits.substr(0, 2);
  if (digits.size() > 6) text += "-" + digits.substr(6, 2);
  if (digits.size() > 8) text += ":" + digits.substr(8, 2);
  return text;
}

std::string criterion(int position, char op, const std::string& value) {
  const std::string o(1, op);
  switch (position) {
    case kAttrMID: return "IP_MSG_ID" + o + cut(value, 15);
    case kAttrIRP: return "IN_REP_TO" + o + cut(value, 15);
    case kAttrSUB: return "SUBJECT" + o + cut(value, 33);
    case kAttrSUR: return "SUR_NAME" + o + cut(value, 17);
    case kAttrGIV: return "GIV_NAME" + o + cut(value, 17);
    case kAttrMET:
      return std::string(value.size() > 6 ? "MBX_ENTRY_DT" : "MBX_ENTRY_D") + o + filter_date(value);
    case kAttrMRT:
      return std::string(value.size() > 6 ? "READ_DT" : "READ_D") + o + filter_date(value);
    case kAttrPRI: return "PRIORITY" + o + priority_name(value.empty() ? 0 : value[0]);
    case kAttrSEN: return "SENSITIVITY" + o + sensitivity_name(value.empty() ? 0 : value[0]);
    default: return "";
  }
}

std::size_t criterion_allowance(int position, const std::string& value) {
  switch (position) {
    case kAttrMID:
    case kAttrIRP: return 13 + cut(value, 15).size();
    case kAttrSUB: return 11 + cut(value, 33).size();
    case kAttrSUR:
    case kAttrGIV: return 12 + cut(value, 17).size();
    case kAttrMET:
    case kAttrMRT: return 30;
    case kAttrPRI: return 19;
    case kAttrSEN: return 23;
    default: return kMaxFilterLength + 1;
  }
}

bool append_criterion(std::string& filter, const std::string& joint, int position, char op,
                      const std::string& value) {
  const std::size_t room = kMaxFilterLength - std::min(filter.size(), kMaxFilterLength);
  const std::string piece = joint + criterion(position, op, value);
  if (criterion_allowance(position, value) > room || piece.size() > room) return false;
  filter += piece;
  return true;
}

}  // namespace kv::engine
