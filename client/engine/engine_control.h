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

// Session phases set by the driver (opening, closing) and by the command handlers. Escape waits
// while ONTVANG or RAPPORT deletes a fetched message (deleting) and while ZEND resolves the
// recipient aliases of a sent message (completing it).
enum SessionPhase {
  kPhaseNone = 0,
  kPhaseOpening = 1,
  kPhaseClosing = 2,
  kPhaseSending = 3,
  kPhaseFetching = 4,
  kPhaseDeleting = 5,
  kPhaseListing = 6,
  kPhaseCompletingSent = 7,
  kPhaseChangingPassword = 8,
};

struct EngineControl {
  CommandKind command_kind = kNoCommand;
  SessionPhase session_phase = kPhaseNone;
  bool user_stop = false;
};

EngineControl& engine_control();

}  // namespace kv
