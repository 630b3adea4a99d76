// The filter texts of the mailbox listing, in the filter language of the mail service: the base
// filter of each command, the criteria of the selection attributes, and the criteria of a
// selection file. A filter holds at most 511 characters.
#pragma once

#include <string>

namespace kv::engine {

constexpr std::size_t kMaxFilterLength = 511;

// The filter that ANTWOORD polls with, and the start of the KILL search.
inline constexpr const char* kAnswerFilter = "ACCESS_STATUS=NEW & MSG_TYPE=MSG";
inline constexpr const char* kKillSearchFilter = "MSG_TYPE=MSG & IP_MSG_ID=";
// Joined to the KILL search with the KILL message's list identifier: only messages whose whole
// originator address is the KILL message's own.
inline constexpr const char* kKillOriginatorCriterion = "ORIGINATOR_OF=";

// The base filter of a listing for `command_kind`: with an ANN attribute "MSG_TYPE=MSG";
// otherwise, for LIJST and ONTVANG, the KILL messages or'ed in front, then the access status
// (READ with NOD or MRT, else NEW) and the message types (notifications and reports for RAPPORT).
std::string base_filter(int command_kind, bool announcements, bool already_read);

// "dd/mm/yy" from six digits yymmdd, followed by "-hh" and ":mi" when the digits hold them.
std::string filter_date(const std::string& digits);

// The criterion of a selection keyword (MID, IRP, SUB, SUR, GIV, MET, MRT, PRI, SEN): field name,
// operator and value (cut, translated or formatted as the field needs).
std::string criterion(int position, char op, const std::string& value);

// The room a criterion claims before it is appended: the joint and the field name counted with
// the value for the text fields, a fixed allowance for the dates and the codes.
std::size_t criterion_allowance(int position, const std::string& value);

// Appends `joint` and the criterion to `filter` when the allowance fits within
// kMaxFilterLength; false (filter unchanged) when it does not.
bool append_criterion(std::string& filter, const std::string& joint, int position, char op,
                      const std::string& value);

}  // namespace kv::engine
