// WACHTWOORD: changing the network password of the open session.
#pragma once

#include <string>

namespace kv::engine {

struct EngineContext;

// Changes the password to the PIN attribute's value; field 3 of `record` gets "0000" or the mapped
// code. Returns 0, -1, -3 (fatal verdict) or -2 after Escape (field 3 then left alone, result
// text "1516").
int change_password(EngineContext& ctx, std::string& record);

}  // namespace kv::engine
