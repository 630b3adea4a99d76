// The journal blocks that describe a session: the banner with the memory overview and the
// settings in force, the connection parameters, and the session information of the open.
#include <cstring>

#include "client/common/journal.h"
#include "client/common/text.h"
#include "client/engine/engine_config.h"
#include "client/engine/engine_context.h"
#include "client/engine/session_state.h"
#include "platform/system_info.h"

namespace kv::engine {

namespace {

void line(const std::string& text) { journal_write(1, text); }

// A fixed field of a record as text, up to its terminator or its end.
template <std::size_t N>
std::string text_of(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

// The sizes are printed in full: they exceed 32 bits on present systems.
void write_memory_overview() {
  system_info::MemoryStatus m;
  system_info::memory_status(&m);
  auto bytes = [](const char* label, std::uint64_t value) {
    line(format("----- %s: %llu", label, static_cast<unsigned long long>(value)));
  };
  line("Geheugen overzicht bij opstarten ----------");
  line(format("----- Percent of memory in use    : %d", m.percent_in_use));
  bytes("Bytes of physical memory    ", m.physical_total);
  bytes("Free physical memory bytes  ", m.physical_free);
  bytes("Bytes of paging file        ", m.commit_total);
  bytes("Free bytes of paging file   ", m.commit_free);
  bytes("User bytes of address space ", m.address_space_total);
  bytes("Free user bytes             ", m.address_space_free);
  line(kBlockEnd);
}

void write_settings(EngineContext& ctx) {
  const EngineSettings& s = ctx.settings;
  line("----- default parameters en opties---------");
  line("----- Countryname         : " + s.country);
  line("----- ADMD name           : " + s.admd);
  line("----- PRMD name           : " + s.prmd);
  line("----- Organisation        : " + s.organisation);
  line("----- Org. Unit-A         : " + s.unit_a);
  line("----- Org. Unit-B         : " + s.unit_b);
  line("----- Org. Unit-C         : " + s.unit_c);
  line("----- Org. Unit-D         : " + s.unit_d);
  line(format("----- priority kode       : %d", s.priority));
  line(format("----- sensitivity kode    : %d", s.sensitivity));
  line(format("----- notifyrequest       : %d", s.notification));
  line(format("----- reportrequest       : %d", s.report));
  line(format("----- waittime            : %d", s.wait_seconds));
  line(format("----- pollinterval t0     : %d", s.poll_first));
  line(format("----- pollinterval t1     : %d", s.poll_later));
  line(kBlockEnd);
}

}  // namespace

void write_session_banner(EngineContext& ctx) {
  line("");
  line(std::string("      ") + kProductLine);
  line("");
  line("");
  line(format("      API versie  %d", static_cast<int>(API_version())));
  line("");
  write_memory_overview();
  write_settings(ctx);
}

void write_connect_parameters(EngineContext& ctx) {
  const EngineSession& s = ctx.session;
  OpenSession open{};
  if (s.open_parameters) open = *s.open_parameters;
  line("CONNECT met de volgende parameters---------");
  if (open.type == CONNECTION_TCPIP) {
    line("----- communicatie        : TCP/IP");
  } else {
    line(format("----- communicatie        : %d", static_cast<int>(open.type)));
  }
  line("----- dial-up entry name  : " + s.dialup_entry);
  line("----- server              : " + text_of(open.server));
  line(format("----- portNb              : %u", static_cast<unsigned>(open.portNb)));
  line(format("----- p4AnswerTimeout     : %d", static_cast<int>(open.p4AnswerTimeout)));
  line(format("----- dataTransferTimeout : %d", static_cast<int>(open.dataTransferTimeout)));
  line("----- user                : " + text_of(open.user));
  // The password is never journaled.
  line("----- password            : ????????");
  line(kBlockEnd);
}

void write_session_info(EngineContext& ctx) {
  SessionInfo info{};
  if (ctx.session.session_info) info = *ctx.session.session_info;
  line("Session Info-------------------------------");
  line("----- uaName              : " + text_of(info.uaName));
  line(format("----- uaId                : %ld", static_cast<long>(info.uaId)));
  line(format("----- sessionId           : %d", static_cast<int>(info.sessionId)));
  line("----- defaultFFName       : " + text_of(info.defaultFFName));
  line(format("----- mbxMaxMsgQtty       : %d", static_cast<int>(info.mbxMaxMsgQtty)));
  line(format("----- mbxInMsgQtty        : %d", static_cast<int>(info.mbxInMsgQtty)));
  line(format("----- mbxInLostMsgQtty    : %d", static_cast<int>(info.mbxInLostMsgQtty)));
  line(format("----- mbxInNewMsgQtty     : %d", static_cast<int>(info.mbxInNewMsgQtty)));
  line(format("----- mbxOutMsgQtty       : %d", static_cast<int>(info.mbxOutMsgQtty)));
  line(kBlockEnd);
}

}  // namespace kv::engine
