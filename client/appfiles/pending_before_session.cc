// Placeholders until the request translation and the send queue are built.
#include "client/appfiles/entry_points.h"

namespace kv {

void vertaal_opdrachten(const std::string&) {}
void vertaal_scriptin(const std::string&) {}
void update_send_queue_without_status() {}
void versleutel_pins(const std::string&) {}
void clean_send_queue() {}

}  // namespace kv
