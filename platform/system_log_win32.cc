// The system log on Windows: the Application event log under the program's name as the source,
// and the same line to the debugger output (which a debugger or a debug-view tool shows where the
// event log is not read, and which needs no rights). Without a registered message file the event
// viewer shows the line after a remark that the source is not described; the text is complete.
#include <windows.h>

#include "platform/system_log.h"
#include "platform/win32_names.h"

namespace kv::system_log {

void write_error(const std::string& program, const std::string& text) {
  const std::wstring line = win32::widen(text);
  const std::wstring debug_line = win32::widen(program + ": " + text + "\n");
  ::OutputDebugStringW(debug_line.c_str());
  HANDLE source = ::RegisterEventSourceW(nullptr, win32::widen(program).c_str());
  if (source == nullptr) return;
  const wchar_t* strings[] = {line.c_str()};
  ::ReportEventW(source, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
  ::DeregisterEventSource(source);
}

}  // namespace kv::system_log
