// EDIFACT send requests: deciding whether a send request is sent as EDIFACT interchanges, and
// splitting its files into one work file and one send command per interchange.
#pragma once

#include <string>
#include <vector>

#include "client/common/snd_layout.h"

namespace kv {

struct Translation;
class SendRequest;

struct EdifactSendCheck {
  bool qualifies = false;
  bool has_subject = false;  // the block has a SUB= line
};

// is_edifact_zend: the block (attribute lines of a send request) qualifies when at least one
// FIL= names a readable file, every readable FIL= file passes the text test, a MID= begins with
// "EDI", and no addressing attribute is present.
EdifactSendCheck is_edifact_zend(const std::vector<std::string>& block);
// The text test: the first 100 bytes (after a UTF-8 byte-order mark) are CR, LF or codes 32
// to 165.
bool passes_text_test(const std::string& file);

// Values of the interchange header (UNB) and of the first message header (UNH).
struct UnbValues {
  std::string recipient;            // element 3, whole, up to 50 characters
  std::string control_reference;    // element 5, up to 14
  std::string recipient_reference;  // element 6, first component when qualified "AA", up to 14
  std::string priority;             // element 8, first character
};
struct UnhValues {
  std::string message_reference;  // element 1, up to 14
  std::string message_type;       // element 2, first component, up to 6
  std::string association_code;   // element 2, fifth component, only when of 3 characters
};
UnbValues parse_unb(const std::string& segment);
UnhValues parse_unh(const std::string& segment);
// The message identifier before completion ("EDIBNKSTD", "EDI" + association code + code, ...).
std::string interchange_message_id(const UnhValues& unh, const std::string& application_code);

// Whether `file` holds at least one complete interchange and nothing but blank space and a
// service string advice before its first interchange, i.e. whether scanning it will not refuse
// it. The file is read by segments, whatever its line layout.
bool is_interchange_file(const std::string& file);

// scan_interchanges: splits one file of an EDIFACT send request. `base_record` holds the block's
// common send-record fields; `block_number` is the block's number in QRTLNK.SAV. Returns 1 when
// the file was handled, -1 when it is not an interchange file (nothing has then been written).
int scan_interchanges(Translation& tr, const std::string& command,
                      const std::vector<std::string>& block, bool block_has_subject,
                      const std::string& edifact_file, const SndRecord& base_record,
                      int block_number);

}  // namespace kv

namespace kv {

// The EDIFACT handling of a qualifying send block: every FIL= file is split (one scan per FIL=
// line). False when a file is not an interchange file; nothing has then been written and the
// caller sends the block as a plain send request.
bool scan_edifact_block(Translation& tr, const std::string& command, const SendRequest& request,
                        const EdifactSendCheck& check, int block_number);

}  // namespace kv
