// The receive store and the send queue under the local modes. The input is a receive store
// (QRTLNK.RCV), optionally followed by "\n#APP#\n" and the application file of /U=; the same
// records serve as a send queue for /C. The selections come from the input's first bytes.
// Invariants, whether a mode completes or ends with an error: the records that stay are a
// subsequence of the records before (nothing is invented, duplicated or reordered); a record
// leaves the send queue only into the archive (/C), in order; the application file of /U= keeps
// its size.
#include "client/appfiles/entry_points.h"
#include "client/common/abort.h"
#include "client/common/run_state.h"
#include "client/common/text.h"
#include "fuzz/support.h"

namespace {

std::vector<std::string> records(const std::string& text) {
  std::vector<std::string> out;
  for (std::string line : kvfuzz::lines_of(text)) {
    kv::trim_trailing(line);
    if (!line.empty()) out.push_back(line);
  }
  return out;
}

template <typename Mode>
void run_mode(Mode mode) {
  try {
    mode();
  } catch (const kv::RunAborted&) {
  }
}

// A pattern of "*", "?" and letters taken from the input's first bytes.
std::string pattern_from(const std::string& input) {
  static const char kPieces[] = "*?EDITX";
  std::string pattern;
  for (std::size_t i = 0; i < 4 && i < input.size(); ++i) {
    pattern += kPieces[static_cast<unsigned char>(input[i]) % (sizeof kPieces - 1)];
  }
  return pattern.empty() ? "*" : pattern;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = kvfuzz::text_of(data, size);
  const std::vector<std::string> input = kvfuzz::split_input(text, "\n#APP#\n");
  const std::vector<std::string> stored = records(input[0]);

  // /U=: the application file keeps its size, the store keeps a subsequence.
  kvfuzz::fresh_home();
  kvfuzz::write_home_file("qrtlnk.rcv", input[0]);
  kvfuzz::write_home_file("taken.txt", input[1]);
  kv::run_state().update_mode = true;
  kv::run_state().command_file = "taken.txt";
  run_mode([] { kv::update_receive_store("taken.txt"); });
  FUZZ_CHECK(kvfuzz::read_home_file("taken.txt").size() == input[1].size());
  const std::vector<std::string> after_update = records(kvfuzz::read_home_file("qrtlnk.rcv"));
  FUZZ_CHECK(kvfuzz::is_subsequence(after_update, stored));

  // /R: the store keeps a subsequence (the parts of what leaves it go to the output file).
  kv::run_state().update_mode = false;
  kv::run_state().command_file = "qrtlnk.scr";
  kv::run_state().fil_name = "out.dat";
  kv::run_state().mid_selection = pattern_from(text);
  run_mode([] { kv::retrieve(kv::RetrieveMode::kBytes); });
  const std::vector<std::string> after_retrieve = records(kvfuzz::read_home_file("qrtlnk.rcv"));
  FUZZ_CHECK(kvfuzz::is_subsequence(after_retrieve, after_update));

  // /C on the same records as a send queue: what leaves it is in the archive, in order.
  kvfuzz::fresh_home();
  kvfuzz::write_home_file("qrtlnk.snd", input[0]);
  kv::run_state().send_update_mode = true;
  kv::run_state().fil_name = "archive.snd";
  kv::run_state().mid_selection = pattern_from(text.size() > 4 ? text.substr(4) : "");
  kv::run_state().dat = "999999999999";
  run_mode([] { kv::clean_send_queue(); });
  const std::vector<std::string> kept = records(kvfuzz::read_home_file("qrtlnk.snd"));
  const std::vector<std::string> archived = records(kvfuzz::read_home_file("archive.snd"));
  FUZZ_CHECK(kvfuzz::is_subsequence(kept, stored));
  FUZZ_CHECK(kvfuzz::is_subsequence(archived, stored));
  FUZZ_CHECK(kept.size() + archived.size() == stored.size() || kept == stored);
  return 0;
}
