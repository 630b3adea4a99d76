// Purge of the receive store: messages stored 46 or more day numbers ago leave QRTLNK.RCV
// together with their part files.
#pragma once

namespace kv {

inline constexpr long kReceiveStoreKeepDays = 46;

void purge_receive_store();

}  // namespace kv
