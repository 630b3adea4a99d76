// Each application error in English words.
#include "client/common/app_error_explanation.h"

#include <cstdio>

namespace kv {
namespace {

constexpr const char* kReserved = "a reserved number that this version does not write";

// Index = error number; entry 0 is unused.
constexpr const char* kExplanations[] = {
    "",
    /* 1 */ "no parameter: every run starts with /FT (see kovendi --help)",
    /* 2 */ kReserved,
    /* 3 */ "the App-id of /A= must have exactly three characters (/A=DEM)",
    /* 4 */ "unknown parameter %s: the first parameter is /FT, then the parameters of one mode "
            "(see kovendi --help)",
    /* 5 */ "another run is busy in this home directory, or another run of the same user is in "
            "progress: wait until it has ended",
    /* 6 */ "the home directory is not writable for this user, or a file of kovendi there belongs "
            "to another user and cannot be read; standard error and the system log name the owner",
    /* 7 */ "there is no readable user file qrtlnk.gns in the home directory (see qrtlnk.gns(5))",
    /* 8 */ "the request file (qrtlnk.scr, or the file of /O=) does not exist or cannot be read",
    /* 9 */ "the request file is empty, or a line of it that is read first has 300 characters or "
            "more",
    /* 10 */ "%s failed: no memory, or the file could not be written (disk full, permissions)",
    /* 11 */ kReserved,
    /* 12 */ kReserved,
    /* 13 */ "a parameter is longer than 70 characters",
    /* 14 */ "the file of /U= does not exist or cannot be read",
    /* 15 */ "%s may not go with /U=",
    /* 16 */ "/U= must be the only parameter after /FT",
    /* 17 */ "the file of /U= is qrtlnk.rcv or another of kovendi's own files",
    /* 18 */ "%s, named by a send request, does not exist",
    /* 19 */ "the EDIFACT work file %s could not be created (disk full, permissions)",
    /* 20 */ "/V needs the file scriptin.dir in the home directory",
    /* 21 */ "/R and /RT must be the second parameter, right after /FT",
    /* 22 */ "/MID= of /R gives no identifier",
    /* 23 */ "/MID= of /R is longer than 64 characters",
    /* 24 */ "/FIL= of /R or /RT is longer than 64 characters",
    /* 25 */ "/FIL= of /R or /RT gives no file name",
    /* 26 */ "the file of /FIL= cannot be written there, or it is one of kovendi's own files",
    /* 27 */ "%s is not an option of /R or /RT (options: /MID= /SEL= /FIL= /ADD)",
    /* 28 */ "/R needs /MID= or /SEL=",
    /* 29 */ "/R and /RT need /FIL=",
    /* 30 */ "a temporary file could not be created in the home directory (disk full, "
             "permissions)",
    /* 31 */ "the directory of the TMP environment variable does not exist",
    /* 32 */ "the directory of the TMP environment variable is not writable",
    /* 33 */ "/C must be the second parameter, right after /FT",
    /* 34 */ "/MID= of /C gives no identifier",
    /* 35 */ "/MID= of /C is longer than 64 characters",
    /* 36 */ "/DAT= of /C is longer than 12 digits",
    /* 37 */ "%s is not an option of /C (options: /MID= /APP= /FIL= /DAT=)",
    /* 38 */ "/DAT= of /C holds other characters than digits",
    /* 39 */ "/APP= of /C gives no code",
    /* 40 */ "/APP= of /C is longer than 3 characters",
    /* 41 */ "/FIL= of /C is longer than 64 characters",
    /* 42 */ "/FIL= of /C gives no file name",
    /* 43 */ "the file of /FIL= of /C cannot be written there, or it is one of kovendi's own "
             "files",
    /* 44 */ "/DAT= of /C gives no digits",
    /* 45 */ "/SEL= of /R is longer than 64 characters",
    /* 46 */ "/MID= is given twice with /R",
    /* 47 */ "the selection file of /SEL= does not exist or cannot be read",
    /* 48 */ "/ADD is given twice, or the selection file cannot be opened",
    /* 49 */ "/SEL= gives no file name, or a line of the selection file is refused",
    /* 50 */ kReserved,
    /* 51 */ "%s could not be written: the disk is full or the file is protected",
    /* 52 */ "the disk became full while the EDIFACT file %s was split",
    /* 53 */ "%s is not allowed with /RT",
    /* 54 */ "the communication failed; the journal lines before this one give the reason, and the "
             "messaging client's own log kovendi-client.log the details",
    /* 55 */ "PIN= in qrtlnk.gns holds a character that the scrambling of the user file cannot "
             "keep (one beyond plain ASCII, or one of { | } ~ before the last place): choose a "
             "password of plain letters, digits and other signs",
};
constexpr int kLast = sizeof kExplanations / sizeof kExplanations[0] - 1;
static_assert(kLast == error_number(AppError::kPinNotKeepable),
              "every application error has its explanation");

}  // namespace

const char* app_error_explanation(int number) {
  return number >= 1 && number <= kLast ? kExplanations[number] : nullptr;
}

std::string app_error_reason(int number, const std::string& parameter) {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "qrtlnk.err %04d: ", number);
  const char* text = app_error_explanation(number);
  std::string reason = text == nullptr ? "unknown error number" : text;
  std::string::size_type slot = reason.find("%s");
  if (slot != std::string::npos) reason.replace(slot, 2, parameter);
  return prefix + reason;
}

}  // namespace kv
