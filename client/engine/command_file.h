// Reading the engine command file: the CONNECT block, the command lines of the command loop, and
// the attribute lines that the command front-ends consume. Lines hold at most 274 characters;
// blank lines are skipped wherever they stand; a carriage return before the line feed is not
// part of the line. A line beginning with "*" is a command line; every other line is an
// attribute line of the command above it.
#pragma once

#include <cstdio>
#include <string>

#include "client/common/open_files.h"
#include "client/engine/session_result.h"

namespace kv::engine {

struct EngineContext;

// Longest accepted line; a longer one is a fatal format error of the command file.
constexpr std::size_t kMaxCommandFileLine = 274;

enum class AttributeRead {
  line,      // `line` holds the next attribute line, trailing blanks removed
  end,       // the next line is a command line, or the file has ended; that line stays unread
  too_long,  // a line of 275 or more characters; the journal line is written already
};

class CommandFileReader {
 public:
  CommandFileReader() = default;
  ~CommandFileReader();
  CommandFileReader(const CommandFileReader&) = delete;
  CommandFileReader& operator=(const CommandFileReader&) = delete;

  // Opens the session's command file (resolved against the engine home directory) and reads the
  // CONNECT block: fills the open parameters and the dial-up entry name of the session, and
  // fields 1 and 2 (and 3 on an error) of `record`. 0: block complete (field 3 left empty);
  // -1: attribute error (code in field 3); -2: first line not "*000CONNECT" or a line too long.
  // A missing command file abandons the session ("QRT400 opdrachten bestand niet aanwezig").
  int read_connect_block(EngineContext& ctx, std::string& record);

  // The command loop: reads each command line, writes the status lines of bad command lines
  // and calls the dispatch for each known command. Returns the last command's result, or
  // kEndSession / kFatalVerdict when a command or a too-long line ended the session.
  SessionResult run_command_loop(EngineContext& ctx);

  // For the command front-ends: the next attribute line of the current command. An attribute
  // line that is the last line of the file without a line feed is still returned.
  AttributeRead read_attribute_line(std::string& line);

  // Skips the rest of the current command up to the next command line (which stays unread).
  // 0, or -2 after a line that is too long (journal line written).
  int skip_to_next_command();

  void close();
  bool is_open() const { return static_cast<bool>(file_); }

 private:
  enum class Raw { line, end_of_file, too_long };
  Raw read_raw(std::string& line, bool& ended_without_line_feed);
  Raw next_line(std::string& line, bool& last_without_line_feed);
  void push_back(const std::string& line, bool last_without_line_feed);
  int read_connect_attributes(EngineContext& ctx, std::string& record, std::string line, bool last);
  SessionResult run_command_line(EngineContext& ctx, const std::string& line,
                                 std::string& record);
  SessionResult skip_refused_command(EngineContext& ctx, std::string& record);

  OpenFile file_;
  bool have_pushed_ = false;
  std::string pushed_line_;
  bool pushed_last_ = false;
};

// Journals level 3 "Fout in record opdrachtenbestand (record te lang)".
void journal_line_too_long();

}  // namespace kv::engine
