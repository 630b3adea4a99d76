// The clock that everything reads: the system's, or one that a test installed.
#include "platform/clock.h"

namespace kv {
namespace {

Clock* g_installed = nullptr;

}  // namespace

Clock& clock() { return g_installed != nullptr ? *g_installed : system_clock(); }

void set_clock(Clock* replacement) { g_installed = replacement; }

}  // namespace kv
