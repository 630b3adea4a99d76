// The Java virtual machine host: loading the machine library, the start options, the client
// object, and the stop at the end of the run.
#include "client/msgapi/jvm_host.h"

#include <cstdlib>

#include "client/common/journal.h"
#include "client/common/run_state.h"
#include "client/msgapi/debug_texts.h"
#include "client/msgapi/jni_helpers.h"
#include "platform/clock.h"
#include "platform/dynlib.h"
#include "platform/java_runtime.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace kv::msgapi {

namespace {

constexpr const char* kClientClass = "nl/kovendi/Client";
constexpr const char* kLibraryDir = "lib";
// The class-data-sharing archive of the client library and the JDK classes that a run loads,
// beside the jars; made when the program is built or installed (kovendi-jvm-archive).
constexpr const char* kArchiveFile = "kovendi.jsa";
constexpr const char* kJarFiles[] = {
    "kovendi.jar",  "activation.jar", "bcprov-jdk14-118.jar", "commons-httpclient.jar",
    "commons-logging.jar", "dom4j.jar", "jaxm-api.jar", "jaxm-runtime.jar",
    "mail.jar",     "saaj-api.jar",   "saaj-ri.jar",           "xalan.jar",
    "log4j.jar",    "postgresql.jar"};  // the last: the PostgreSQL driver of a networked service

struct HostState {
  JNIEnv* env = nullptr;
  jobject client = nullptr;     // global reference
  jclass client_class = nullptr;  // global reference
  bool stopped = false;
};

HostState& host() {
  static HostState state;
  return state;
}

void* platform_open(const std::string& path, std::string* error) {
  return kv::dynlib::open(path, error);
}
void* platform_symbol(void* handle, const std::string& name) {
  return kv::dynlib::symbol(handle, name);
}
const JvmLibraryLoader kPlatformLoader{platform_open, platform_symbol};
const JvmLibraryLoader* g_loader = &kPlatformLoader;

// KOVENDI_JVM_TRACE set in the environment writes the library path, the options and the time the
// machine took to start to debug.log.
bool tracing() { return std::getenv("KOVENDI_JVM_TRACE") != nullptr; }

// The first machine library of the system's list that loads; nullptr after naming every one.
void* load_machine_library(const std::string& program_dir) {
  const std::vector<std::string> libraries = kv::java_runtime::machine_libraries(program_dir);
  for (const std::string& path : libraries) {
    if (tracing()) kv::debug_log(debug_text::kStartJvmLibrary, path.c_str());
    std::string error;
    if (void* library = g_loader->open(path, &error)) return library;
  }
  for (const std::string& path : libraries) {
    kv::debug_log(debug_text::kStartJvmCannotLoad, path.c_str());
  }
  return nullptr;
}

// Loads the machine library and takes its two entry points; false after logging the cause.
bool load_entry_points(const std::string& program_dir, JvmEntryPoints* entry) {
  void* library = load_machine_library(program_dir);
  if (library == nullptr) return false;
  entry->get_default_java_vm_init_args = reinterpret_cast<jint(JNICALL*)(void*)>(
      g_loader->symbol(library, "JNI_GetDefaultJavaVMInitArgs"));
  if (entry->get_default_java_vm_init_args == nullptr) {
    kv::debug_log(debug_text::kStartJvmNoInitArgsProc);
    return false;
  }
  entry->create_java_vm = reinterpret_cast<jint(JNICALL*)(JavaVM**, void**, void*)>(
      g_loader->symbol(library, "JNI_CreateJavaVM"));
  if (entry->create_java_vm == nullptr) {
    kv::debug_log(debug_text::kStartJvmNoCreateProc);
    return false;
  }
  // The library stays loaded for the life of the process: a machine cannot be unloaded.
  return true;
}

JNIEnv* create_machine(const JvmEntryPoints& entry, const std::vector<std::string>& options) {
  if (tracing()) {
    for (const std::string& option : options) {
      kv::debug_log(debug_text::kStartJvmOption, option.c_str());
    }
  }
  std::vector<JavaVMOption> vm_options(options.size());
  for (std::size_t i = 0; i < options.size(); ++i) {
    vm_options[i].optionString = const_cast<char*>(options[i].c_str());
    vm_options[i].extraInfo = nullptr;
  }
  JavaVMInitArgs args;
  args.version = JNI_VERSION_1_2;
  args.nOptions = static_cast<jint>(vm_options.size());
  args.options = vm_options.data();
  args.ignoreUnrecognized = JNI_FALSE;
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  jint result = entry.create_java_vm(&vm, reinterpret_cast<void**>(&env), &args);
  if (result < 0) return nullptr;
  return env;
}

// Creates the client object and keeps it and its class as global references.
bool initialize_client() {
  HostState& state = host();
  LocalRef<jobject> client(JNI_newObject(kClientClass, "()V"));
  if (!client) return false;
  LocalRef<jclass> cls(JNI_getObjectClass(client.get()));
  if (!cls) return false;
  state.client = state.env->NewGlobalRef(client.get());
  state.client_class = static_cast<jclass>(state.env->NewGlobalRef(cls.get()));
  return state.client != nullptr && state.client_class != nullptr;
}

// Calls the client's close and forgets the client.
void finalize_client() {
  HostState& state = host();
  if (state.client != nullptr) {
    jmethodID close = JNI_getMethodID(state.client_class, "close", "()V");
    if (close == nullptr) {
      kv::debug_log(debug_text::kStartJVMCannotFinalizeClientObject);
    } else {
      state.env->CallVoidMethod(state.client, close);
      JNI_checkException("_finalize");
    }
    state.env->DeleteGlobalRef(state.client);
  }
  if (state.client_class != nullptr) state.env->DeleteGlobalRef(state.client_class);
  state.client = nullptr;
  state.client_class = nullptr;
}

}  // namespace

std::string program_directory() {
  const std::string& recorded = kv::run_state().program_dir;
  return recorded.empty() ? kv::process::program_directory() : recorded;
}

void set_jvm_library_loader(const JvmLibraryLoader* loader) {
  g_loader = loader != nullptr ? loader : &kPlatformLoader;
}

std::string jvm_library_path(const std::string& program_dir) {
  return kv::java_runtime::machine_libraries(program_dir).front();
}

std::string jvm_archive_path(const std::string& program_dir) {
  return program_dir + "/" + kLibraryDir + "/" + kArchiveFile;
}

std::vector<std::string> jvm_options(const std::string& program_dir) {
  const std::string library_dir = program_dir + "/" + kLibraryDir + "/";
  const std::string separator = kv::java_runtime::class_path_separator();
  std::string class_path;
  for (const char* jar : kJarFiles) {
    if (!class_path.empty()) class_path += separator;
    class_path += library_dir + jar;
  }
  std::vector<std::string> options = {
      "-Djava.compiler=NONE",
      "-Dapplication.home=" + program_dir,
      // The library directory comes after the jars: a class-data-sharing archive of the jars
      // cannot be used behind a directory.
      "-Djava.class.path=" + class_path + separator + library_dir,
      // Leaves SIGINT, SIGTERM and SIGHUP to the program's own handlers.
      "-Xrs",
      // Turns the compiler back on after java.compiler=NONE: interpreted, the client's password
      // hashing alone takes many seconds per log-in.
      "-Xmixed",
      // A run lasts about a second: the quick compiler only, the small collector, and no
      // performance-counter file in the temporary directory.
      "-XX:TieredStopAtLevel=1",
      "-XX:+UseSerialGC",
      "-XX:-UsePerfData",
  };
  // The archive is used when it is there; the machine passes over one that no longer matches
  // the jars or the runtime, and is told not to say so on the program's output.
  const std::string archive = jvm_archive_path(program_dir);
  if (kv::fs::exists(archive)) {
    options.push_back("-Xshare:auto");
    options.push_back("-XX:SharedArchiveFile=" + archive);
    options.push_back("-Xlog:cds=off,cds+dynamic=off");
  }
  return options;
}

int StartJVM() {
  HostState& state = host();
  if (state.env != nullptr) {
    kv::debug_log(debug_text::kStartJVMJVMAlreadyDefined);
    return 0;
  }
  if (state.stopped) {
    kv::debug_log(debug_text::kStartJvmAfterStop);
    return -1;
  }
  const std::string program_dir = program_directory();
  JvmEntryPoints entry;
  if (!load_entry_points(program_dir, &entry)) return -1;
  const std::uint32_t started = kv::clock().ticks_ms();
  JNIEnv* env = create_machine(entry, jvm_options(program_dir));
  if (env == nullptr) {
    kv::debug_log(debug_text::kStartJVMCannotCreateJVM);
    return -1;
  }
  if (tracing())
    kv::debug_log(debug_text::kStartJvmCreatedIn,
                  static_cast<unsigned>(kv::clock().ticks_ms() - started));
  state.env = env;
  if (!initialize_client()) {
    kv::debug_log(debug_text::kStartJVMCannotInitializeClient);
    StopJVM();
    return -1;
  }
  return 0;
}

int StopJVM() {
  HostState& state = host();
  if (state.env == nullptr) return 0;
  JNI_checkException("JNI_stopVM");
  finalize_client();
  JavaVM* vm = nullptr;
  jint result = state.env->GetJavaVM(&vm);
  // Whatever happens next, this environment is not used again.
  state.env = nullptr;
  state.stopped = true;
  if (result != JNI_OK || vm == nullptr) {
    kv::debug_log(debug_text::kStopJvmNoVm, static_cast<int>(result));
    return -1;
  }
  vm->DestroyJavaVM();
  return 0;
}

JNIEnv* jni_env() { return host().env; }
jobject client_object() { return host().client; }
jclass client_class() { return host().client_class; }
bool jvm_stopped() { return host().stopped; }

}  // namespace kv::msgapi
