// The engine configuration "$qrt400.prm" in the engine home directory (KEY=value lines) and the
// journal blocks that describe a session: banner, connection parameters, session information.
#pragma once

#include <string>

#include "client/common/version.h"

namespace kv::engine {

struct EngineContext;

// Product line of the banner and of the configuration's failure journal.
inline constexpr const char* kProductLine = "KOVENDI v" KOVENDI_VERSION " 2003/06/17";
// Closing line of every journal block: 43 dashes.
inline constexpr const char* kBlockEnd = "-------------------------------------------";

struct EngineSettings {
  std::string country = "NL";       // COU, at most 3
  std::string prmd = "QRT400";      // PMD, at most 16
  std::string admd = "HUBADMD";     // ADM, at most 16
  std::string organisation;         // ORG, at most 64
  std::string unit_a, unit_b, unit_c, unit_d;  // OUA..OUD, at most 32 each
  int sensitivity = 1;              // SEN 1..4
  int priority = 2;                 // PRI 1..3
  int notification = 3;             // NOT 1..3
  int report = 3;                   // RAP 1..3
  int wait_seconds = 300;           // WAI 1..900, else 300
  int x_ind = 1;                    // X_IND 1..80, else 1
  int y_ind = 24;                   // Y_IND 1..25, else 24
  int l_ind = 80;                   // L_IND 1..80, else 80; X_IND + L_IND at most 81
  int no_ind = 0;                   // NO_IND 0/1, else 0
  int f_col = 7;                    // F_COL 0..15, else 7
  int b_col = 0;                    // B_COL 0..15, else 7
  int poll_first = 5;               // PI0, clamped to 5..100
  int poll_later = 5;               // PI1, clamped to 5..800
};

// Reads "$qrt400.prm": 1 on success (also when the file is missing), 0 after a line of 100
// characters or more (the journal then holds the product line and the error line).
// Also sets the journal's file name, switches and the removal of a previous journal.
int read_engine_config(EngineContext& ctx);

// Journal blocks at level 1.
void write_session_banner(EngineContext& ctx);
void write_connect_parameters(EngineContext& ctx);
void write_session_info(EngineContext& ctx);

}  // namespace kv::engine
