// The engine session run with a context that its caller made for it and with its engine home
// directory given explicitly: qrt400_session binds the context to the process's engine home
// directory and escape-check items and passes the current directory; the tests run sessions in
// a directory of their own through it.
#pragma once

#include <string>

namespace kv {
class StatusWindow;
}

namespace kv::engine {

struct EngineContext;

// `ctx` is fresh (made for this session); its home directory is set to `engine_dir`. Returns
// what qrt400_session returns; the status-write failure is left in ctx.session.
int run_session(EngineContext& ctx, StatusWindow* window, const std::string& command_file_name,
                const std::string& status_file_name, const std::string& engine_dir);

}  // namespace kv::engine
