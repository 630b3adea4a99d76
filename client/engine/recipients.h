// Recipients of an outgoing message: building a recipient entry of the MessageOut record from the
// address attributes of the command, and the O/R-name fields of the status lines.
#pragma once

#include <string>
#include <vector>

#include "client/common/status_layout.h"
#include "client/msgapi/api.h"

namespace kv::engine {

struct EngineContext;

// Builds recipient entry `index` (0..19) of the session's outgoing message with `kind` (1
// primary, 2 copy, 3 blind copy) from the address attributes: a distribution list when DIS is
// given, else an alias when ALI is given, else a full O/R address whose country and ADMD fall back
// on the configured COU and ADM.
void add_recipient(EngineContext& ctx, int index, int kind);

// Puts the O/R address of `name` into `count` consecutive status fields from `first`: country,
// ADMD, PRMD, organisation, units A..D, surname, given name, initials, generation qualifier, then
// the domain-defined attributes as type/value pairs (16 fields hold two pairs, 20 all four).
// A name that is not a full O/R address leaves the fields empty.
void put_orname_fields(std::string& record, status::Field first, int count, const ORName& name);

// The 20 parts of `name` in the order of those fields; all empty for a name that is not a full
// O/R address.
std::vector<std::string> orname_parts(const ORName& name);

// Empties `count` status fields from `first`.
void clear_fields(std::string& record, status::Field first, int count);

}  // namespace kv::engine
