// Placeholder until the engine session is built.
#include "client/engine/session.h"

namespace kv {

int qrt400_session(StatusWindow*, const std::string&, const std::string&) { return -1; }

}  // namespace kv
