// Everything one engine session reads and changes, in one object that the session runner owns and
// hands to every step: dispatch, front-ends, command handlers and attribute checks take it as their
// first parameter, so that a signature says that the function works on the session.
#pragma once

#include "client/common/home.h"
#include "client/common/run_state.h"
#include "client/engine/attributes.h"
#include "client/engine/command_context.h"
#include "client/engine/command_file.h"
#include "client/engine/engine_config.h"
#include "client/engine/engine_control.h"
#include "client/engine/session_state.h"

namespace kv::engine {

struct EngineContext {
  // The three items that live beyond the session: the engine home directory (the messaging
  // interface resolves its files against it too), the items that the escape check reads and
  // sets while an operation runs, and the run's settings (the program directory of the dial-up
  // helper).
  EngineContext(HomeDirectory& engine_home, EngineControl& engine_control, const RunState& run)
      : home(engine_home), control(engine_control), run(run) {}
  EngineContext(const EngineContext&) = delete;
  EngineContext& operator=(const EngineContext&) = delete;

  HomeDirectory& home;
  EngineControl& control;
  const RunState& run;

  EngineSession session;    // records, status record, flags of the session
  EngineSettings settings;  // "$qrt400.prm"
  CommandFileReader command_file;
  AttributeState attributes;  // the attributes of the command in hand
  CommandContext command;     // the files of the command in hand
};

}  // namespace kv::engine
