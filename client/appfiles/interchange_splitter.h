// Finding the EDIFACT interchanges of a file by segments, whatever its line layout: one segment
// per line, a whole interchange on one line, lines wrapped at a fixed width or segments broken
// over lines. The file is fed in chunks of any size; memory stays bounded whatever the length of
// a line or a segment.
//
// The bytes of the file are handed out, in order and each exactly once, to consecutive parts:
// an interchange (UNB ... UNZ, with a service string advice and the blank space before it), or a
// kept-back part (text outside the interchanges, or an interchange that never reaches its UNZ).
// Putting the parts together gives the file byte for byte. Nothing but an interchange is ever
// handed out for sending: text between interchanges is kept back, and so is an interchange whose
// UNZ runs over a line end into what follows without carrying its header's control reference
// (the text after it, up to the next terminator, would otherwise go out inside it).
#pragma once

#include <cstddef>
#include <string>

namespace kv {

// The separators of an interchange: from its service string advice (UNA), else the defaults.
struct ServiceCharacters {
  char component = ':';
  char element = '+';
  char release = '?';  // 0: no release character
  char terminator = '\'';
};

// What the splitter finds, in file order.
class InterchangeParts {
 public:
  virtual ~InterchangeParts() = default;
  // A new part begins; `interchange` false for a kept-back part.
  virtual void begin_part(bool interchange) = 0;
  virtual void bytes(const char* data, std::size_t length) = 0;
  // The interchange header, and the segment right after it, as text in the standard separators
  // (a released character keeps its "?"; line ends left out; cut after 1,100 characters).
  virtual void header_segment(const std::string& unb) = 0;
  virtual void segment_after_header(const std::string& segment) = 0;
  // The part is complete; `send` true for an interchange that reached the end of its UNZ.
  virtual void end_part(bool send) = 0;
};

class InterchangeSplitter {
 public:
  explicit InterchangeSplitter(InterchangeParts& parts) : parts_(parts) {}
  // False once the file has turned out not to be an interchange file (something other than a
  // service string advice or an interchange comes first); the caller stops feeding it.
  bool feed(const char* data, std::size_t length);
  // The end of the file. False when it is not an interchange file.
  bool finish();

 private:
  enum class Place { kBeforeFirst, kInInterchange, kAfterUnz, kKeptBack, kBetween };
  enum class Tag { kUndecided, kUnb, kUnz, kOther };

  void byte(char c);
  void between_segments(char c);
  void in_segment(char c);
  void in_advice(char c);
  void start_segment(char c);
  void add_data(char c, bool released);
  void decide();
  void end_segment();
  void open(bool interchange);
  void close(bool send);
  void route_held();
  void spill_held();
  void keep_back();
  void refuse() { refused_ = true; }
  bool outside() const { return place_ != Place::kInInterchange; }
  void out(char c);
  void flush();

  InterchangeParts& parts_;
  ServiceCharacters sep_;
  Place place_ = Place::kBeforeFirst;
  bool refused_ = false;
  bool at_file_start_ = true;
  int bom_seen_ = 0;

  bool in_segment_ = false;
  bool release_pending_ = false;
  Tag tag_ = Tag::kUndecided;
  bool segment_is_header_ = false;   // the UNB of the open interchange
  bool segment_after_header_ = false;
  bool expect_after_header_ = false;  // the next segment is the one after the UNB
  bool segment_spans_lines_ = false;  // a line end came inside the segment
  std::string control_reference_;     // the open interchange's, from its header
  bool end_is_sound_ = true;          // its UNZ ends it (see end_segment)
  std::string prefix_;                // the segment's text in standard separators, for its tag
  std::size_t prefix_limit_ = 4;
  std::string segment_held_;          // raw bytes of a segment whose place is not known yet
  std::string held_;                  // advice and blank space waiting for the next part
  std::string advice_;                // the characters of a service string advice being read
  bool in_advice_ = false;
  bool advice_pending_ = false;       // a service string advice waits in held_
  bool part_open_ = false;
  std::string out_;                   // bytes for the open part, handed on in blocks
};

}  // namespace kv
