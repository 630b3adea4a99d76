// The application's error numbers: every error that a run writes to qrtlnk.err (error_file.h) is
// one of these. The number is what the application reads; the Dutch text of each number is in
// the catalogue in app_error.cc, beside its name.
#pragma once

namespace kv {

enum class AppError : int {
  kTooFewParameters = 1,
  kFirstParameterNotAFile = 2,  // reserved, never raised
  kWrongAppId = 3,
  kUnknownParameter = 4,
  kAlreadyRunning = 5,
  kNoWritePermission = 6,
  kUserFileMissing = 7,
  kRequestFileMissing = 8,
  kRequestHasNoRecords = 9,    // also a first request line that is too long
  kNoMemory = 10,              // also every file the run could not write, with what it was doing
  kEngineNotInstalled = 11,    // reserved, never raised
  kNoMemoryToLoadEngine = 12,  // reserved, never raised
  kParameterTooLong = 13,
  kUpdateFileMissing = 14,
  kParameterNotAllowedWithUpdate = 15,
  kUpdateWithOtherParameters = 16,
  kUpdateFileIsOwnFile = 17,  // the text names QRTLNK.RCV, the most likely of the own files
  kFileOrDirectoryMissing = 18,
  kEdifactWorkFileNotCreated = 19,
  kScriptinDirMissing = 20,
  kRetrieveNotThirdParameter = 21,
  kRetrieveMessageIdEmpty = 22,
  kRetrieveMessageIdTooLong = 23,
  kRetrieveFileNameTooLong = 24,
  kRetrieveFileNameEmpty = 25,
  kRetrieveFileNameBad = 26,
  kParameterNotAllowedWithRetrieve = 27,
  kRetrieveMessageIdMissing = 28,
  kRetrieveFileNameMissing = 29,
  kTemporaryFileNotCreated = 30,
  kTmpDirectoryMissing = 31,
  kTmpDirectoryNotWritable = 32,
  kSendUpdateNotThirdParameter = 33,
  kSendUpdateMessageIdEmpty = 34,
  kSendUpdateMessageIdTooLong = 35,
  kSendUpdateDateTooLong = 36,
  kParameterNotAllowedWithSendUpdate = 37,
  kSendUpdateDateNotNumeric = 38,
  kSendUpdateAppCodeEmpty = 39,
  kSendUpdateAppCodeTooLong = 40,
  kSendUpdateFileNameTooLong = 41,
  kSendUpdateFileNameEmpty = 42,
  kSendUpdateFileNameBad = 43,
  kSendUpdateDateEmpty = 44,
  kSelectionFileNameTooLong = 45,
  kRetrieveMessageIdTwice = 46,
  kSelectionFileNameBad = 47,
  kRetrieveAddTwice = 48,        // also a selection file that cannot be opened
  kSelectionFileNameEmpty = 49,  // also a selection file whose content is refused
  kDiskSpaceUnknown = 50,        // reserved, never raised
  kTooLittleDiskSpace = 51,      // the command file or the send queue could not be written
  kEdifactDiskFull = 52,
  kParameterNotAllowedWithRetrieveText = 53,
  kCommunicationFailed = 54,
  // A PIN= with characters that the scrambling of qrtlnk.gns cannot keep (pin_scramble.h): refused
  // before any log-in, so that no password is used, or changed to one, that the next run cannot
  // read back.
  kPinNotKeepable = 55,
};

// The four-digit number written for `error`.
constexpr int error_number(AppError error) { return static_cast<int>(error); }

// The catalogue text of `number` (1..55) with "%s" not filled in; nullptr for unknown numbers.
const char* app_error_text(int number);

}  // namespace kv
