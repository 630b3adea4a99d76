// Finding the EDIFACT interchanges of a file by segments, whatever its line layout.
#include "client/appfiles/interchange_splitter.h"

#include <algorithm>

namespace kv {

namespace {

constexpr std::size_t kTagLength = 4;             // "UNB+"
constexpr std::size_t kHeaderTextLimit = 1100;    // enough for the values searched in 999
constexpr std::size_t kUndecidedLimit = 4096;     // line ends inside a tag: not a service tag
constexpr std::size_t kBlockSize = 65536;
constexpr std::size_t kHeldLimit = 1 << 20;       // blank space waiting for the next part
constexpr std::size_t kAdviceLength = 6;
const char kByteOrderMark[] = "\xEF\xBB\xBF";

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_line_end(char c) { return c == '\r' || c == '\n'; }
bool begins(const std::string& text, const char* tag) { return text.rfind(tag, 0) == 0; }

// Data element `n` of a segment's text in the standard separators: after the n-th unreleased
// "+", up to the next unreleased "+" or "'" (release characters kept).
std::string element_text(const std::string& segment, int n) {
  int plus = 0;
  std::size_t start = std::string::npos;
  for (std::size_t i = 0; i < segment.size(); ++i) {
    const char c = segment[i];
    if (c == '?') {
      ++i;
      continue;
    }
    if (c != '+' && c != '\'') continue;
    if (start != std::string::npos) return segment.substr(start, i - start);
    if (c == '\'' || ++plus != n) continue;
    start = i + 1;
  }
  return start == std::string::npos ? "" : segment.substr(start);
}

// The six characters after "UNA": component and element separators, decimal mark, release
// character (a blank: none), a reserved character, segment terminator.
bool advice_characters(const std::string& advice, ServiceCharacters& sep) {
  if (advice.size() != kAdviceLength) return false;
  for (char c : advice) {
    if (is_line_end(c) || c == '\0') return false;
  }
  ServiceCharacters s;
  s.component = advice[0];
  s.element = advice[1];
  s.release = advice[3] == ' ' ? '\0' : advice[3];
  s.terminator = advice[5];
  if (s.component == s.element || s.component == s.terminator || s.element == s.terminator ||
      s.terminator == ' ') {
    return false;
  }
  if (s.release != '\0' &&
      (s.release == s.component || s.release == s.element || s.release == s.terminator)) {
    return false;
  }
  sep = s;
  return true;
}

}  // namespace

bool InterchangeSplitter::feed(const char* data, std::size_t length) {
  std::size_t i = 0;
  while (i < length && !refused_) {
    // The body of a segment inside an interchange goes on unexamined up to the next character
    // that can end it.
    if (in_segment_ && !in_advice_ && tag_ != Tag::kUndecided &&
        place_ == Place::kInInterchange && !release_pending_ && prefix_.size() >= prefix_limit_) {
      std::size_t j = i;
      const std::size_t end = std::min(length, i + kBlockSize);
      const char release = sep_.release;
      const char terminator = sep_.terminator;
      while (j < end && data[j] != terminator && (data[j] != release || release == '\0')) ++j;
      out_.append(data + i, j - i);
      if (out_.size() >= kBlockSize) flush();
      i = j;
      if (i == end) continue;
    }
    byte(data[i++]);
  }
  return !refused_;
}

void InterchangeSplitter::byte(char c) {
  if (at_file_start_) {
    if (c == kByteOrderMark[bom_seen_]) {
      held_ += c;
      if (++bom_seen_ == 3) at_file_start_ = false;
      return;
    }
    at_file_start_ = false;
    if (bom_seen_ > 0) {
      refuse();  // the beginning of a byte-order mark, and then something else
      return;
    }
  }
  if (in_advice_) {
    in_advice(c);
  } else if (in_segment_) {
    in_segment(c);
  } else {
    between_segments(c);
  }
}

// Blank space between segments belongs to the part before it, unless that is not open or an
// advice waits for the next interchange: then it waits too.
void InterchangeSplitter::between_segments(char c) {
  if (!is_blank(c)) {
    start_segment(c);
  } else if (!part_open_ || !held_.empty()) {
    held_ += c;
    if (held_.size() > kHeldLimit) spill_held();
  } else {
    out(c);
  }
}

void InterchangeSplitter::start_segment(char c) {
  in_segment_ = true;
  release_pending_ = false;
  tag_ = Tag::kUndecided;
  prefix_.clear();
  segment_held_.clear();
  segment_after_header_ = expect_after_header_;
  expect_after_header_ = false;
  segment_spans_lines_ = false;
  prefix_limit_ = segment_after_header_ ? kHeaderTextLimit : kTagLength;
  in_segment(c);
}

void InterchangeSplitter::in_segment(char c) {
  if (tag_ == Tag::kUndecided) {
    segment_held_ += c;
  } else {
    out(c);
  }
  if (is_line_end(c)) {
    segment_spans_lines_ = true;
    // Outside the interchanges the text is not EDIFACT: a line end ends it as well.
    if (c == '\n' && outside() && tag_ != Tag::kUnb) {
      if (tag_ == Tag::kUndecided) decide();
      end_segment();
    }
    return;
  }
  if (release_pending_) {
    release_pending_ = false;
    add_data(c, true);
  } else if (sep_.release != '\0' && c == sep_.release) {
    release_pending_ = true;
  } else if (c == sep_.terminator) {
    if (prefix_.size() < prefix_limit_) prefix_ += '\'';
    if (tag_ == Tag::kUndecided) decide();
    end_segment();
    return;
  } else {
    add_data(c, false);
  }
  if (tag_ != Tag::kUndecided) return;
  if (outside() && segment_held_ == "UNA") {
    in_advice_ = true;
    advice_.clear();
  } else if (prefix_.size() >= kTagLength || segment_held_.size() >= kUndecidedLimit) {
    decide();
  }
}

// The text of the segment in the standard separators, so that the values read the same
// whatever the advice said.
void InterchangeSplitter::add_data(char c, bool released) {
  if (prefix_.size() >= prefix_limit_) return;
  if (released) {
    prefix_ += '?';
    prefix_ += c;
  } else if (c == sep_.element) {
    prefix_ += '+';
  } else if (c == sep_.component) {
    prefix_ += ':';
  } else if (c == '+' || c == ':' || c == '?' || c == '\'') {
    prefix_ += '?';
    prefix_ += c;
  } else {
    prefix_ += c;
  }
}

void InterchangeSplitter::in_advice(char c) {
  segment_held_ += c;
  advice_ += c;
  if (advice_.size() < kAdviceLength && !is_line_end(c)) return;
  in_advice_ = false;
  ServiceCharacters sep;
  if (advice_characters(advice_, sep)) {
    if (place_ == Place::kAfterUnz) close(end_is_sound_);
    sep_ = sep;
    held_ += segment_held_;
    segment_held_.clear();
    in_segment_ = false;
    return;
  }
  // Not a service string advice: the characters are read again as those of a segment.
  std::string again = advice_;
  segment_held_.resize(segment_held_.size() - again.size());
  for (char a : again) byte(a);
}

void InterchangeSplitter::decide() {
  if (begins(prefix_, "UNB+")) {
    tag_ = Tag::kUnb;
  } else if (begins(prefix_, "UNZ+")) {
    tag_ = Tag::kUnz;
  } else {
    tag_ = Tag::kOther;
  }
  if (place_ == Place::kAfterUnz) close(end_is_sound_);
  if (tag_ == Tag::kUnb) {
    if (part_open_) close(false);  // an interchange without UNZ, or text before this one
    open(true);
    segment_is_header_ = true;
    prefix_limit_ = kHeaderTextLimit;
  } else if (tag_ == Tag::kUnz && place_ == Place::kInInterchange) {
    prefix_limit_ = kHeaderTextLimit;  // its reference is compared with the header's
  } else if (place_ == Place::kBeforeFirst) {
    refuse();
    return;
  } else if (place_ == Place::kBetween) {
    open(false);
  } else if (place_ == Place::kKeptBack) {
    route_held();
  }
  out_ += segment_held_;
  segment_held_.clear();
}

void InterchangeSplitter::end_segment() {
  in_segment_ = false;
  if (segment_is_header_) {
    segment_is_header_ = false;
    expect_after_header_ = true;
    control_reference_ = element_text(prefix_, 5);
    parts_.header_segment(prefix_);
  } else if (segment_after_header_) {
    segment_after_header_ = false;
    parts_.segment_after_header(prefix_);
  }
  if (tag_ == Tag::kUnz && place_ == Place::kInInterchange) {
    place_ = Place::kAfterUnz;
    // A UNZ that runs over a line end may have taken in the text after it, up to the next
    // terminator (the one of the next interchange's header, say): it ends the interchange only
    // when it carries the header's control reference. Otherwise nothing of it is sent.
    end_is_sound_ = !segment_spans_lines_ || element_text(prefix_, 2) == control_reference_;
  }
}

void InterchangeSplitter::open(bool interchange) {
  flush();
  parts_.begin_part(interchange);
  part_open_ = true;
  place_ = interchange ? Place::kInInterchange : Place::kKeptBack;
  route_held();
}

void InterchangeSplitter::close(bool send) {
  flush();
  parts_.end_part(send);
  part_open_ = false;
  place_ = Place::kBetween;
  expect_after_header_ = false;
  segment_is_header_ = false;
}

// Memory stays bounded: a megabyte of blank space in front of the first interchange is not an
// interchange file; between interchanges it is kept back.
void InterchangeSplitter::spill_held() {
  if (place_ == Place::kBeforeFirst) {
    refuse();
  } else if (!part_open_) {
    open(false);
  } else {
    route_held();
  }
}

void InterchangeSplitter::route_held() {
  out_ += held_;
  held_.clear();
}

void InterchangeSplitter::out(char c) {
  out_ += c;
  if (out_.size() >= kBlockSize) flush();
}

void InterchangeSplitter::flush() {
  if (!out_.empty() && part_open_) parts_.bytes(out_.data(), out_.size());
  out_.clear();
}

bool InterchangeSplitter::finish() {
  if (refused_) return false;
  if (at_file_start_ && bom_seen_ > 0) refuse();
  if (in_advice_) {
    // An advice cut short by the end of the file is text like any other.
    in_advice_ = false;
    std::string again = advice_;
    segment_held_.resize(segment_held_.size() - again.size());
    for (char a : again) byte(a);
  }
  if (in_segment_ && tag_ == Tag::kUndecided && !refused_) decide();
  if (refused_) return false;
  switch (place_) {
    case Place::kBeforeFirst:
      refuse();  // only blank space or an advice
      return false;
    case Place::kInInterchange:
      close(false);  // no UNZ, or a UNZ without its terminator
      break;
    case Place::kAfterUnz:
      close(end_is_sound_);
      break;
    case Place::kKeptBack:
      route_held();
      close(false);
      break;
    case Place::kBetween:
      if (!held_.empty()) {
        open(false);
        close(false);
      }
      break;
  }
  return true;
}

}  // namespace kv
