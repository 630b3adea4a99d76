// The dial-up service of POSIX systems: NetworkManager.
#include "dialer/dialup.h"

namespace kv::dialer {

std::unique_ptr<DialUpService> create_system_service() { return create_networkmanager_service(); }

}  // namespace kv::dialer
