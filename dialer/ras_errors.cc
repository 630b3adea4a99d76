// The texts of the dial-up service's error numbers.
#include <map>
#include <string>

#include "dialer/dialup.h"

namespace kv::dialer {

std::string ras_error_text(unsigned code) {
  static const std::map<unsigned, std::string> texts = {
      {600, "An operation is pending."},
      {623, "The system could not find the phone book entry for this connection."},
      {628, "The connection was closed."},
      {629, "The connection was closed by the remote computer."},
      {633, "The modem or other connecting device is either already in use or is not configured "
            "properly."},
      {638, "The request has timed out."},
      {651, "The modem (or other connecting device) has reported an error."},
      {668, "The connection was terminated."},
      {676, "The phone line is busy."},
      {678, "The remote computer did not respond."},
      {680, "There is no dial tone."},
      {691, "The connection was denied because the user name and/or password is not valid."},
      {692, "There was a hardware failure in the modem (or other connecting device)."},
      {711, "The Remote Access Connection Manager service could not start."},
      {718, "The connection was terminated because the remote computer did not respond in a "
            "timely manner."},
      {720, "A connection could not be established: no PPP control protocols were configured."},
      {797, "A connection could not be made because the modem or other connecting device was not "
            "found."},
      {800, "The VPN connection could not be established."},
  };
  auto it = texts.find(code);
  return it == texts.end() ? std::string() : it->second;
}

}  // namespace kv::dialer
