// The system log on POSIX systems: syslog(3), facility "user".
#include "platform/system_log.h"

#include <syslog.h>

namespace kv::system_log {

void write_error(const std::string& program, const std::string& text) {
  // LOG_PID: the line tells which run it came from. The text is passed as an argument, never as
  // the format, so a "%" in a file name reaches the log unchanged.
  ::openlog(program.c_str(), LOG_PID, LOG_USER);
  ::syslog(LOG_ERR, "%s", text.c_str());
  ::closelog();
}

}  // namespace kv::system_log
