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

struct RunState {
  std::string program_dir;
  std::string home_dir;
  std::string start_dir;
  std::string tmp_dir;             // TMP directory with its trailing separator; empty when none

  // Command line.
  std::string app_id = "   ";
  std::string command_file = "qrtlnk.scr";
  std::string status_file = "qrtlnk.sts";
  int update_mode = 0;             // /U=
  int send_update_mode = 0;        // /C
  int retrieve_mode = 0;           // 1 /R, 2 /RT
  int directory_translation = 0;   // /V
  int add_flag = 0;                // /ADD
  int run_mode = 0;                // 3 once the command line is accepted
  std::string mid_selection;       // /MID=
  std::string app_code;            // /APP=
  std::string fil_name;            // /FIL=
  std::string dat;                 // /DAT= (12 digits)
  std::string sel_file;            // /SEL=

  std::string interchange_list;    // reserved by the normal run
  int engine_result = 0;
  int engine_started = 0;
  int escape = 0;

  DisplaySettings display;
};

RunState& run_state();
void reset_run_state();

}  // namespace kv
