// The engine items shared with the escape check.
#include "client/engine/engine_control.h"

namespace kv {

EngineControl& engine_control() {
  static EngineControl control;
  return control;
}

}  // namespace kv
