// The Java virtual machine host: loads the machine library from the program directory, starts the
// machine with the client library's class path, creates the one client object, and stops the
// machine at the end of the run. The machine cannot be started again in the same process.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

namespace kv::msgapi {

// How the machine library is loaded and its entry points found; tests replace it with a fake.
struct JvmLibraryLoader {
  void* (*open)(const std::string& path, std::string* error);
  void* (*symbol)(void* handle, const std::string& name);
};
// Installs a loader (nullptr: the platform's dynamic loader again).
void set_jvm_library_loader(const JvmLibraryLoader* loader);

// The entry points taken from the machine library.
struct JvmEntryPoints {
  jint(JNICALL* get_default_java_vm_init_args)(void* args) = nullptr;
  jint(JNICALL* create_java_vm)(JavaVM** vm, void** env, void* args) = nullptr;
};

// The directory of the running program (as recorded at start-up).
std::string program_directory();
// Path of the machine library below the program directory.
std::string jvm_library_path(const std::string& program_dir);
// The class-data-sharing archive below the program directory.
std::string jvm_archive_path(const std::string& program_dir);
// The options the machine is started with, in order.
std::vector<std::string> jvm_options(const std::string& program_dir);

// 0 on success (also when a machine already runs), -1 on failure.
int StartJVM();
// 0 on success or when no machine runs, -1 when the machine could not be found to destroy it.
int StopJVM();

// The environment of the running machine, or nullptr.
JNIEnv* jni_env();
// The client object and its class (global references), or nullptr.
jobject client_object();
jclass client_class();
// True once StopJVM has destroyed a machine in this process.
bool jvm_stopped();

}  // namespace kv::msgapi
