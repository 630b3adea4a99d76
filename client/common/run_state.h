// Process-wide state of one run: directories, the command line's settings, the display settings
// and the flags that the program entry, the application files and the engine share.
#pragma once

#include <string>

namespace kv {

struct DisplaySettings {
  int no_ind = 0;                                   // NO_IND
  std::string ind_txt = "Bijwerken lokale bestanden";  // IND_TXT
  long long txt_regels = 0;                         // TXT_REGELS
};

// Whether the command line was accepted: only then does the clean-up of an abandoned run make the
// stores read-only again and merge the interchange list.
enum class RunMode : int {
  kNotAccepted = 0,
  kAccepted = 3,
};

// The local mode that hands stored messages to the application.
enum class RetrieveMode : int {
  kNone = 0,
  kBytes = 1,  // /R: the stored files as they are
  kTexts = 2,  // /RT: text messages appended to one text file
};

struct RunState {
  std::string program_dir;
  std::string home_dir;
  std::string start_dir;
  std::string tmp_dir;             // TMP directory with its trailing separator; empty when none

  // Command line.
  std::string app_id = "   ";
  std::string command_file = "qrtlnk.scr";
  std::string status_file = "qrtlnk.sts";
  bool update_mode = false;                          // /U=
  bool send_update_mode = false;                     // /C
  RetrieveMode retrieve_mode = RetrieveMode::kNone;  // /R, /RT
  bool directory_translation = false;                // /V
  bool add_flag = false;                             // /ADD
  RunMode run_mode = RunMode::kNotAccepted;
  std::string mid_selection;       // /MID=
  std::string app_code;            // /APP=
  std::string fil_name;            // /FIL=
  std::string dat;                 // /DAT= (12 digits)
  std::string sel_file;            // /SEL=

  std::string interchange_list;    // reserved by the normal run
  int engine_result = 0;
  bool engine_started = false;
  bool escape = false;

  DisplaySettings display;
};

RunState& run_state();
void reset_run_state();

}  // namespace kv
