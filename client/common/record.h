// A bar-separated record of one file layout. The line is split once: fields are read as views of
// it and written by name, each value cut to its field's width with "|" turned into "!", and the
// record is written back whole, without its trailing empty fields.
//
// A layout is a struct with
//   using Field = ...;                  an enum of the field numbers (from 1)
//   static constexpr int kEmptyBars     the bars of a new, empty record
//   static constexpr std::size_t width(Field)   the field's width (kNoLimit: not cut)
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

inline constexpr std::size_t kNoLimit = std::string::npos;

// Field `first` + i of a run of fields (files, units, domain-defined attributes).
template <class Field>
constexpr Field nth_field(Field first, int i) {
  return static_cast<Field>(static_cast<int>(first) + i);
}

namespace record_text {
// The positions of the bars of `text`.
std::vector<std::size_t> bar_positions(std::string_view text);
// `text` without its trailing bars; a record of bars only keeps one.
std::string_view without_trailing_bars(std::string_view text);
// Replaces field n (closed by bars[n - 1]) of `text` by `value` cut to `width`, "|" becoming "!";
// moves the later bars. Without memory for the longer record a width-limited field abandons the
// run with error 10 ("aanvragen insert_veld"); an unlimited one journals "Not enough memory to
// write status" and lets std::bad_alloc unwind.
void replace_field(std::string& text, std::vector<std::size_t>& bars, int n, std::string_view value,
                   std::size_t width);
// Field n of a record held as text; empty when the record ends before it.
std::string_view field_of(std::string_view text, int n);
// replace_field for a record held as text; the text is unchanged when memory runs out.
void set_field_of(std::string& text, int n, std::string_view value, std::size_t width);
}  // namespace record_text

template <class Layout>
class Record {
 public:
  using Field = typename Layout::Field;

  // A new record: every field empty.
  Record() : Record(std::string(static_cast<std::size_t>(Layout::kEmptyBars), '|')) {}
  // A record as read from its file (a line lacks its trailing empty fields).
  explicit Record(std::string line)
      : text_(std::move(line)), bars_(record_text::bar_positions(text_)) {}

  // The field; empty when the record ends before it.
  std::string_view get(Field field) const {
    const std::size_t n = index(field);
    if (n == 0 || n > bars_.size() + 1) return {};
    const std::size_t start = n == 1 ? 0 : bars_[n - 2] + 1;
    const std::size_t end = n <= bars_.size() ? bars_[n - 1] : text_.size();
    return std::string_view(text_).substr(start, end - start);
  }
  std::string str(Field field) const { return std::string(get(field)); }
  bool empty(Field field) const { return get(field).empty(); }

  // Sets the field, cut to its width. A field that the record does not close with a bar (a line
  // read without its trailing fields, not padded) stays as it is.
  void set(Field field, std::string_view value) {
    record_text::replace_field(text_, bars_, static_cast<int>(index(field)), value,
                               Layout::width(field));
  }

  // Adds the bars of the empty fields that a line read from the file left off.
  void pad() {
    const std::size_t wanted = static_cast<std::size_t>(Layout::kEmptyBars);
    while (bars_.size() < wanted) {
      bars_.push_back(text_.size());
      text_ += '|';
    }
  }

  // The record with every bar.
  const std::string& text() const { return text_; }
  // The record as a line of its file: without its trailing empty fields.
  std::string line() const { return std::string(record_text::without_trailing_bars(text_)); }

 private:
  static std::size_t index(Field field) {
    const int n = static_cast<int>(field);
    return n < 1 ? 0 : static_cast<std::size_t>(n);
  }

  std::string text_;
  std::vector<std::size_t> bars_;
};

}  // namespace kv
