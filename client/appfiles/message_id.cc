// Completion of message identifiers.
#include "client/appfiles/message_id.h"

#include <cstring>

#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/open_files.h"
#include "client/common/snd_layout.h"
#include "client/common/text.h"
#include "platform/clock.h"

namespace kv {

namespace {

constexpr char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAlphabetSize = 62;
constexpr std::size_t kIdLength = 14;

// The code's five places: month, day, hour, minute, second, each an index into the alphabet.
struct TimeCode {
  int place[5];
  std::string text() const {
    std::string s;
    for (int v : place) s += kAlphabet[v < 0 ? 0 : (v >= kAlphabetSize ? kAlphabetSize - 1 : v)];
    return s;
  }
};

TimeCode parse(const std::string& text) {
  TimeCode c{{0, 0, 0, 0, 0}};
  for (int i = 0; i < 5 && i < static_cast<int>(text.size()); ++i) {
    const char* at = std::strchr(kAlphabet, text[i]);
    c.place[i] = (at != nullptr && text[i] != '\0') ? static_cast<int>(at - kAlphabet) : 0;
  }
  return c;
}

std::string& last_code() {
  static std::string code = "     ";
  return code;
}

// Next code after `c`: the second runs to 60 and then restarts at 1 with the next minute, the
// minute runs to 59 and restarts at 1 with the next hour. Should the hour (or the day) run out of
// characters, the next place up is advanced, so codes keep growing.
void advance(TimeCode& c) {
  enum { kMonth, kDay, kHour, kMinute, kSecond };
  if (c.place[kSecond] < 60) {
    ++c.place[kSecond];
    return;
  }
  c.place[kSecond] = 1;
  if (c.place[kMinute] < 59) {
    ++c.place[kMinute];
    return;
  }
  c.place[kMinute] = 1;
  for (int p = kHour; p >= kMonth; --p) {
    if (c.place[p] < kAlphabetSize - 1) {
      ++c.place[p];
      return;
    }
    c.place[p] = 0;
  }
}

// The greatest code among this year's generated identifiers in the send queue. A run's codes may
// run ahead of the clock (one step per message), so the next run, started within those seconds,
// goes on after them instead of handing out the same identifiers again.
std::string last_code_in_send_queue(int year) {
  std::string last = "     ";
  OpenFile queue(app_home().open("qrtlnk.snd", "rb"));
  if (!queue) return last;
  const std::string this_year = std::to_string(year);
  LineReader reader(queue.get());
  TextLine line;
  while (reader.next(line)) {
    const SndRecord record(line.text);
    if (record.get(snd::kRequestStamp).substr(0, 4).compare(this_year) != 0) continue;
    const std::string id = record.str(snd::kMessageId);
    if (id.size() < kIdLength) continue;
    const std::string code = id.substr(kIdLength - 5, 5);
    if (code.find_first_not_of(kAlphabet) == std::string::npos && code > last) last = code;
  }
  return last;
}

std::string generated_id() {
  LocalTime now = clock().local_time();
  if (last_code() == "     ") last_code() = last_code_in_send_queue(now.year);
  TimeCode code{{now.month, now.day, now.hour, now.minute, now.second}};
  std::string text = code.text();
  // Byte comparison; the alphabet is in ascending byte order, five blanks sort before any code.
  // Advancing the time's code until it passes the last one ends one step after the last one, so
  // the step is taken from there directly (no loop over possibly many seconds).
  if (text <= last_code()) {
    code = parse(last_code());
    advance(code);
    text = code.text();
  }
  last_code() = text;
  return format("00000%04d%s", now.year - 1900, text.c_str()).substr(0, kIdLength);
}

}  // namespace

void vul_message_id(std::string& value) {
  std::string generated = generated_id();
  if (value.size() < kIdLength + 1) {
    if (value.size() < kIdLength) value += generated.substr(value.size());
    return;
  }
  // Long identifiers: only trailing blanks of places 7 to 14 are filled in.
  for (std::size_t i = kIdLength - 1; i >= 6 && value[i] == ' '; --i) value[i] = generated[i];
}

void reset_message_id_generator() { last_code() = "     "; }

}  // namespace kv
