// The password in the user file qrtlnk.gns and in the command file.
#include "client/appfiles/user_file_pin.h"

#include <cstdio>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/request_text.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/open_files.h"
#include "client/common/pin_scramble.h"
#include "client/common/status_callbacks.h"
#include "client/common/status_codes.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {

namespace {

constexpr std::size_t kTagLength = 14;  // status field 1: the first 14 characters, upper-cased

// A command-file line is the command that a status line reports when its first 14 characters
// equal the status line's tag (the engine records no more than that of a command line).
bool line_is_tagged_command(const std::string& line, const std::string& tag) {
  if (tag.empty() || !is_command_line(line)) return false;
  std::string head = line.substr(0, kTagLength);
  return equals_ignore_case(head, tag);
}

void write_user_line(FileRewrite& gns, const std::string& line, const std::string& scrambled) {
  if (!line_begins(line, "PIN=")) {
    gns.write_line(line);
    return;
  }
  bool carriage_return = !line.empty() && line.back() == '\r';
  gns.write_line("PIN=" + scrambled + (carriage_return ? "\r" : ""));
}

}  // namespace

void schrijf_nieuwe_pin(const std::string& command_file, const std::string& status_file) {
  OpenFile status(app_home().open(status_file, "rb"));
  OpenFile commands(app_home().open(command_file, "rb"));
  if (!status || !commands) return;
  std::string new_pin;
  bool found_new_pin = false;
  std::string line;
  while (read_whole_line(status.get(), line)) {
    busy_indicator();
    const StatusRecord status_line(line);
    std::string tag = status_line.str(status::kTag);
    if (!is_command(tag, "WACHTWOORD") || status_line.get(status::kResult) != kCodeSuccess)
      continue;
    // The command file is searched onwards from where the previous search stopped.
    std::string command;
    bool located = false;
    while (read_whole_line(commands.get(), command)) {
      if (line_is_tagged_command(command, tag)) {
        located = true;
        break;
      }
    }
    if (!located) continue;
    std::string next;
    long after_command = std::ftell(commands.get());
    if (read_whole_line(commands.get(), next) && line_begins(next, "PIN=")) {
      new_pin = attribute_value(next);
      // A recovery may have scrambled the command file already.
      if (is_scrambled_pin(new_pin)) unscramble_pin(new_pin);
      found_new_pin = true;
    } else {
      std::fseek(commands.get(), after_command, SEEK_SET);  // the next line may be a command
    }
  }
  status.close();
  commands.close();
  if (found_new_pin && !new_pin.empty()) vervang_pin(new_pin);
}

void vervang_pin(const std::string& new_pin) {
  FileRewrite gns;
  // The user file keeps its permission bits; it is never left missing or half written.
  if (!gns.begin("qrtlnk.gns", {.set_aside = true})) return;
  std::string scrambled = new_pin;
  scramble_pin(scrambled);
  // Every other line is copied as it is, empty lines and line ends included.
  std::string line;
  for (int c = std::fgetc(gns.in()); c != EOF; c = std::fgetc(gns.in())) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    write_user_line(gns, line, scrambled);
    line.clear();
  }
  if (!line.empty()) write_user_line(gns, line, scrambled);
  gns.commit();
}

std::string with_scrambled_pins(const std::string& text) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(start, end - start);
    start = end;
    // The value ends before the line end and trailing blanks, which stay as they are.
    std::size_t value_end = line.size();
    while (value_end > 4 && (line[value_end - 1] == '\n' || line[value_end - 1] == '\r' ||
                             line[value_end - 1] == ' ')) {
      --value_end;
    }
    std::string value = value_end > 4 ? line.substr(4, value_end - 4) : "";
    // A plain value is scrambled; a scrambled one never twice. One the scrambling cannot keep
    // would not be recognised as scrambled afterwards either (and was refused by the
    // translation): it is left alone.
    if (line_begins(line, "PIN=") && !value.empty() && !is_scrambled_pin(value) &&
        scrambling_keeps(value)) {
      scramble_pin(value);
      line.replace(4, value_end - 4, value);
    }
    out += line;
  }
  return out;
}

void scramble_user_file_pins() {
  std::string text;
  if (!fs::read_whole_file(app_home().fullpath("qrtlnk.gns"), text)) return;
  const std::string scrambled = with_scrambled_pins(text);
  if (scrambled == text) return;
  FileRewrite gns;
  if (!gns.begin("qrtlnk.gns")) return;
  gns.write(scrambled);
  gns.commit();
}

bool copy_with_scrambled_pins(const std::string& command_file, const std::string& copy) {
  std::string text;
  if (!fs::read_whole_file(app_home().fullpath(command_file), text)) return false;
  const std::string path = app_home().fullpath(copy);
  OpenFile out(fs::create_new_stream(path, 0600));
  if (!out) return false;
  const std::string scrambled = with_scrambled_pins(text);
  bool ok = fs::write_stream(out.get(), scrambled, path) == scrambled.size();
  ok = ok && fs::sync_stream(out.get(), path).ok();
  ok = out.close() == 0 && ok;
  if (!ok) fs::remove_file(path);
  return ok;
}

bool same_request(const std::string& a, const std::string& b) {
  std::string first;
  std::string second;
  return fs::read_whole_file(app_home().fullpath(a), first) &&
         fs::read_whole_file(app_home().fullpath(b), second) &&
         with_scrambled_pins(first) == with_scrambled_pins(second);
}

void versleutel_pins(const std::string& command_file) {
  std::string text;
  if (!fs::read_whole_file(app_home().fullpath(command_file), text)) return;
  const std::string scrambled = with_scrambled_pins(text);
  if (scrambled == text) return;
  // Replaced in one step: the file always holds the whole request, its passwords plain or
  // scrambled, never a line half written.
  FileRewrite file;
  if (!file.begin(command_file)) return;
  file.write(scrambled);
  file.commit();
}

}  // namespace kv
