// Internal state of one request translation, shared by the block loop, the plain send request,
// the EDIFACT interchange scanning and the EDI receive rewrite.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "client/common/app_error.h"
#include "client/common/open_files.h"

namespace kv {

class SendRequest;

// Thrown inside the translation when it cannot be completed; the entry point puts every file
// back as it was and then ends the run with this error.
struct TranslationFailed {
  AppError code;
  std::string parameter;
};

// Lines of the request, with the possibility to read a command's block ahead and give it back.
class RequestReader {
 public:
  explicit RequestReader(std::FILE* in) : in_(in) {}
  // The next non-empty line (trailing blanks removed); false at the end of the request.
  bool next(std::string& line);
  // The lines up to (not including) the next command line or the end of the request.
  std::vector<std::string> read_block();
  // Gives lines back; they are read again in the same order.
  void put_back(const std::vector<std::string>& lines);

 private:
  std::FILE* in_;
  std::deque<std::string> pending_;
};

struct Translation {
  std::string command_file;
  std::FILE* out = nullptr;       // the engine command file being written
  std::string app_id = "   ";      // the App-id in force (three characters, blanks for none)
  int directory_mode = 0;          // 1 for requests found through scriptin.dir
  bool rapport_state = false;
  int send_blocks = 0;             // send blocks copied to QRTLNK.SAV so far (numbered from 1)
  OpenFile snd;                    // QRTLNK.SND, open for appending
  OpenFile sav;                    // QRTLNK.SAV, open for appending
  OpenFile interchange_list;       // the run's interchange list, open for appending
  std::vector<std::string> work_files;  // EDIFACT work files made by this translation

  // Writes one line with "\n" to the command file.
  void write(const std::string& line);
  // Writes lines that already end in "\n" to the command file, in one write.
  void write_text(const std::string& text);
  // The application code of the interchanges: the App-id, or "STD" when it is blank.
  std::string application_code() const;
  // Field 1 of a send record when the request gives no usable APP=: the App-id, or empty.
  std::string record_application() const;
};

// Block loop shared by the normal and the scriptin.dir translation; `first` is the line already
// read.
void vertaal_blokken(Translation& tr, RequestReader& reader, std::string first);

// One send request ("ZEND" command line and its attribute lines).
void translate_send_request(Translation& tr, const std::string& command,
                            const std::vector<std::string>& block);
void translate_plain_send(Translation& tr, const std::string& command,
                          const SendRequest& request);

// The EDI receive rewrite of an ONTVANG block; false when the block does not qualify (nothing
// written).
bool rewrite_edi_receive(Translation& tr, const std::string& command,
                         const std::vector<std::string>& block);
// The report pattern rule for a "MID=EDI" line inside a RAPPORT block of a scriptin.dir request.
std::string apply_report_pattern(const std::string& line, const std::string& app_id);

}  // namespace kv
