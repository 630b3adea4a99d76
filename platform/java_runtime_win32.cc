// The Java runtime on Windows: jvm.dll of the runtime beside the program (jre\bin\client, or
// jre\bin\server of the JDKs that have only that one), else of the JDK that JAVA_HOME names,
// else of the one that the registry names (a Java installer records it under
// HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft: "JDK", "JRE" or "Java Runtime Environment", each with a
// "CurrentVersion" and, below it, "JavaHome" or "RuntimeLib"). Class paths separated by ";".
#include <windows.h>

#include "platform/fs.h"
#include "platform/java_runtime.h"
#include "platform/process.h"
#include "platform/win32_names.h"

namespace kv::java_runtime {
namespace {

// A string value of HKEY_LOCAL_MACHINE; empty when it is not there.
std::string machine_value(const std::string& key, const std::string& name) {
  wchar_t buffer[1024];
  DWORD size = sizeof buffer;
  LONG result = ::RegGetValueW(HKEY_LOCAL_MACHINE, win32::widen(key).c_str(),
                               win32::widen(name).c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size);
  if (result != ERROR_SUCCESS || size < sizeof(wchar_t)) return "";
  return win32::program_path(std::wstring(buffer, size / sizeof(wchar_t) - 1));
}

void add_runtime_of(const std::string& home, std::vector<std::string>* libraries) {
  if (home.empty()) return;
  libraries->push_back(home + "/bin/server/jvm.dll");
  libraries->push_back(home + "/jre/bin/server/jvm.dll");
  libraries->push_back(home + "/bin/client/jvm.dll");
}

void add_registered_runtimes(std::vector<std::string>* libraries) {
  for (const char* product : {"JDK", "JRE", "Java Runtime Environment", "Java Development Kit"}) {
    const std::string key = std::string("SOFTWARE\\JavaSoft\\") + product;
    const std::string version = machine_value(key, "CurrentVersion");
    if (version.empty()) continue;
    const std::string runtime_lib = machine_value(key + "\\" + version, "RuntimeLib");
    if (!runtime_lib.empty()) libraries->push_back(runtime_lib);
    add_runtime_of(machine_value(key + "\\" + version, "JavaHome"), libraries);
  }
}

}  // namespace

std::vector<std::string> machine_libraries(const std::string& program_dir) {
  std::vector<std::string> libraries{program_dir + "/jre/bin/client/jvm.dll",
                                     program_dir + "/jre/bin/server/jvm.dll"};
  add_runtime_of(fs::to_slashes(process::get_env("JAVA_HOME")), &libraries);
  add_registered_runtimes(&libraries);
  return libraries;
}

const char* class_path_separator() { return ";"; }

}  // namespace kv::java_runtime
