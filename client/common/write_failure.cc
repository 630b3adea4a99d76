// The error that tells the application why a file could not be written.
#include "client/common/write_failure.h"

#include "client/common/abort.h"
#include "client/common/error_file.h"
#include "platform/fs.h"

namespace kv {

WriteError write_error(int failure, const std::string& file, AppError otherwise,
                       const std::string& parameter) {
  if (failure > 0 && fs::is_out_of_space(failure)) return {AppError::kTooLittleDiskSpace, file};
  return {otherwise, parameter};
}

void report_write_failure(int failure, const std::string& file, AppError otherwise,
                          const std::string& parameter) {
  const WriteError e = write_error(failure, file, otherwise, parameter);
  schrijf_QRTLNK_error_bestand(e.error, e.parameter);
}

void fail_run_after_write(int failure, const std::string& file, AppError otherwise,
                          const std::string& parameter) {
  const WriteError e = write_error(failure, file, otherwise, parameter);
  fail_run(e.error, e.parameter);
}

}  // namespace kv
