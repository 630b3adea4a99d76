// Placeholders until the send queue and the PIN step are built.
#include "client/appfiles/entry_points.h"

namespace kv {

void clean_send_queue() {}

}  // namespace kv
