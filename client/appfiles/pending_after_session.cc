// Placeholders until the result processing and the local modes are built.
#include "client/appfiles/entry_points.h"

namespace kv {

void verwerk_resultaten(const std::string&, const std::string&) {}
void merge_interchange_list() {}
void rotate_command_file(const std::string&) {}
void retrieve(int) {}
void update_receive_store(const std::string&) {}

}  // namespace kv
