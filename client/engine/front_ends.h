// The seven command front-ends and the attribute reset that the dispatch performs before each
// command. Each front-end follows the FrontEnd contract of dispatch.h.
#pragma once

#include <string>

namespace kv::engine {

struct EngineContext;

int zend_front_end(EngineContext& ctx, std::string& status_record);
int ontvang_front_end(EngineContext& ctx, std::string& status_record);
int rapport_front_end(EngineContext& ctx, std::string& status_record);
int antwoord_front_end(EngineContext& ctx, std::string& status_record);
int verwijder_front_end(EngineContext& ctx, std::string& status_record);
int lijst_front_end(EngineContext& ctx, std::string& status_record);
int wachtwoord_front_end(EngineContext& ctx, std::string& status_record);

// Sets every attribute presence flag and operator to "0" and the number of collected file
// names to 0 (run by the dispatch before each recognised command).
void clear_attribute_marks(EngineContext& ctx);

}  // namespace kv::engine
