// The few items of the engine session that the exported escape check reads and sets: the kind of
// the command in progress, the session phase, and the user stop flag that the engine's commands
// test after a failed operation.
#pragma once

namespace kv {

enum CommandKind {
  kNoCommand = 0,
  kZend = 1,
  kOntvang = 2,
  kRapport = 3,
  kAntwoord = 4,
  kVerwijder = 5,
  kLijst = 6,
  kWachtwoord = 7,
};

// Session phases that must not be broken off by Escape.
constexpr int kPhaseDeletingFromMailbox = 5;  // ONTVANG / RAPPORT deleting a fetched message
constexpr int kPhaseResolvingAlias = 7;       // ZEND resolving a recipient alias

struct EngineControl {
  int command_kind = kNoCommand;
  int session_phase = 0;
  int user_stop = 0;
};

EngineControl& engine_control();

}  // namespace kv
