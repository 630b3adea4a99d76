// The engine session with its engine home directory given explicitly (qrt400_session passes the
// current directory); the tests run sessions in a directory of their own through it.
#pragma once

#include <string>

namespace kv {
class StatusWindow;
}

namespace kv::engine {

int run_session(StatusWindow* window, const std::string& command_file_name,
                const std::string& status_file_name, const std::string& engine_dir);

}  // namespace kv::engine
