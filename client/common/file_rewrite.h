// Rewriting a file so that it always holds either its complete old or its complete new content:
// the new content goes to a temporary file beside it ("KVRW" and six characters), which is
// flushed to disk and then renamed over the file; the directory is flushed as well. A file that
// is rewritten keeps its name (letter case included) and, unless the caller asks otherwise, its
// permission bits; a new file gets the name and the permission bits the caller asks for. A
// symbolic link stays a link: the file it leads to is rewritten, beside itself, in one step.
// Every rewrite of the user file qrtlnk.gns takes the rights of "others" away: its password is
// only scrambled, not enciphered.
//
// Where the file is set aside first ("QLX_ddmm.nnn", kept for the application and for error 30),
// the copy only duplicates the old content: the file stays in place, is read directly and the
// copy is removed at the end, committed or not.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "client/common/open_files.h"

namespace kv {

// Permission bits for a new file when the caller names none (the creation mask applies).
constexpr unsigned kDefaultNewFileMode = 0666;
// Temporary files of a rewrite begin with this prefix; one left behind by a killed run holds
// nothing the file itself does not (the old content is still in place until the rename).
constexpr const char* kRewriteTemporaryPrefix = "KVRW";
bool is_rewrite_temporary(const std::string& name);

struct RewriteOptions {
  // Also start when the file does not exist yet (in() is then nullptr).
  bool create_when_missing = false;
  // Make the set-aside copy "QLX_ddmm.nnn" first (error 30 through the run's abort on failure).
  bool set_aside = false;
  unsigned new_file_mode = kDefaultNewFileMode;
  // An existing file keeps its permission bits; when false it gets new_file_mode as well (set
  // exactly, without the creation mask).
  bool keep_mode = true;
  // The rights of "others" are taken away (owner and group keep theirs): a file with a secret.
  bool without_other_rights = false;
};

class FileRewrite {
 public:
  FileRewrite() = default;
  // A rewrite that was not committed is abandoned: the file stays as it was.
  ~FileRewrite();
  FileRewrite(const FileRewrite&) = delete;
  FileRewrite& operator=(const FileRewrite&) = delete;

  // Starts rewriting `name` (against the application home directory). False when the file does
  // not exist (unless create_when_missing), cannot be read, or no temporary file can be created;
  // nothing has then changed.
  bool begin(const std::string& name, const RewriteOptions& options = {});

  bool existed() const { return existed_; }
  // The old content, for reading (nullptr for a new file).
  std::FILE* in() const { return in_.get(); }
  // The new content, for writing.
  std::FILE* out() const { return out_.get(); }
  // Full path of the file being rewritten (a symbolic link as named; target() is what it leads
  // to, the file that is replaced).
  const std::string& path() const { return path_; }
  const std::string& target() const { return target_; }

  void write(const std::string& data);
  void write(const char* data, std::size_t length);
  // Writes one line with "\n".
  void write_line(const std::string& line);
  // Writes the rest of `from`, byte for byte; false when it could not be read or written.
  bool copy_from(std::FILE* from);
  // Writes the whole file at `full_path`, byte for byte, read in large blocks. kMissing when
  // there is no such file (nothing written), kFailed when it could not be read or written.
  enum class CopyResult { kCopied, kMissing, kFailed };
  CopyResult copy_file(const std::string& full_path);
  // Bytes written so far.
  long long written() const { return written_; }
  // True while every write so far succeeded.
  bool good() const;

  // Puts the new content on disk under the temporary name, without replacing the file yet, so
  // that several files can be made ready before any is replaced. False (and abandoned) on failure.
  bool prepare();
  // Replaces the file by the new content (prepare() first when not done). False on failure: the
  // file then still holds its old content, except when only the final flush of the directory
  // failed (the new content is then in place, but a power cut could undo that).
  bool commit();
  // commit(), and on failure the run ends: error 51 naming the file on a full disk, otherwise
  // error 10 with `error_text`.
  void commit_or_fail(const std::string& error_text);
  // Why the rewrite failed (an errno value of the platform's fs::Result), 0 while it has not.
  int failure() const { return failure_; }
  // Drops the new content; the file stays as it was.
  void abandon();

 private:
  void discard_set_aside_copy();
  void note_failure(int error);

  std::string path_;
  std::string target_;
  std::string temporary_;
  std::string copy_;
  unsigned mode_ = kDefaultNewFileMode;
  bool set_mode_ = false;  // the mode is set on the temporary file before it replaces the file
  OpenFile in_;
  std::unique_ptr<char[]> out_buffer_;  // outlives out_, which writes through it
  OpenFile out_;
  long long written_ = 0;
  bool existed_ = false;
  bool active_ = false;
  bool prepared_ = false;
  bool write_failed_ = false;
  int failure_ = 0;
};

}  // namespace kv
