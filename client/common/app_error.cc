// The catalogue of application errors: each number's name beside its Dutch text, the text exactly
// as the application finds it in qrtlnk.err ("%s" is filled in with the failing step's detail).
#include "client/common/app_error.h"

namespace kv {
namespace {

struct CatalogueEntry {
  AppError error;
  const char* text;
};

// clang-format off
constexpr CatalogueEntry kCatalogue[] = {
    {AppError::kTooFewParameters,
     "*** KOVENDI FOUT; Te weinig parameters (minimaal 1)"},
    {AppError::kFirstParameterNotAFile,
     "*** KOVENDI FOUT; Parameter-1 is geen bestand"},
    {AppError::kWrongAppId,
     "*** KOVENDI FOUT; App-id in aanroep is fout"},
    {AppError::kUnknownParameter,
     "*** KOVENDI FOUT; Onbekende parameter: %s, in aanroep"},
    {AppError::kAlreadyRunning,
     "*** KOVENDI FOUT; KOVENDI.EXE is reeds gestart"},
    {AppError::kNoWritePermission,
     "*** KOVENDI FOUT; Geen schrijf-permissie"},
    {AppError::kUserFileMissing,
     "*** KOVENDI FOUT; GNS user-bestand is niet aanwezig"},
    {AppError::kRequestFileMissing,
     "*** KOVENDI FOUT; Opdrachtenbestand is niet aanwezig"},
    {AppError::kRequestHasNoRecords,
     "*** KOVENDI FOUT; Opdrachtenbestand bevat geen records"},
    {AppError::kNoMemory,
     "*** KOVENDI FOUT; Te weinig geheugen bij %s"},
    {AppError::kEngineNotInstalled,
     "*** KOVENDI FOUT; QRT400.EXE niet in 'path' of, geinstalleerd"},
    {AppError::kNoMemoryToLoadEngine,
     "*** KOVENDI FOUT; Niet genoeg geheugen om QRT400.EXE te laden"},
    {AppError::kParameterTooLong,
     "*** KOVENDI FOUT; Opgegeven parameter te lang"},
    {AppError::kUpdateFileMissing,
     "*** KOVENDI FOUT; Applicatie bestand bij '/U' parameter is niet aanwezig"},
    {AppError::kParameterNotAllowedWithUpdate,
     "*** KOVENDI FOUT; Parameter: %s, bij update QRTLNK.RCV verboden"},
    {AppError::kUpdateWithOtherParameters,
     "*** KOVENDI FOUT; Parameter /U= verboden in combinatie met andere"},
    {AppError::kUpdateFileIsOwnFile,
     "*** KOVENDI FOUT; Applicatie bestand is gelijk aan 'QRTLNK.RCV'"},
    {AppError::kFileOrDirectoryMissing,
     "*** KOVENDI FOUT; Bestand of directory: %s bestaat niet"},
    {AppError::kEdifactWorkFileNotCreated,
     "*** KOVENDI FOUT; Fout bij creeren tijdelijk EDIFACT bestand: %s"},
    {AppError::kScriptinDirMissing,
     "*** KOVENDI FOUT; Bestand SCRIPTIN.DIR is niet aanwezig"},
    {AppError::kRetrieveNotThirdParameter,
     "*** KOVENDI FOUT; '/R(T)' parameter moet als derde parameter opgegeven worden"},
    {AppError::kRetrieveMessageIdEmpty,
     "*** KOVENDI FOUT; Message_id bij '/MID' parameter bij '/R' optie niet gevuld"},
    {AppError::kRetrieveMessageIdTooLong,
     "*** KOVENDI FOUT; Opgegeven Message_id te lang bij '/MID' parameter bij '/R' optie"},
    {AppError::kRetrieveFileNameTooLong,
     "*** KOVENDI FOUT; Opgegeven bestandsnaam te lang bij '/FIL' parameter bij '/R' optie"},
    {AppError::kRetrieveFileNameEmpty,
     "*** KOVENDI FOUT; Bestandsnaam bij '/FIL' parameter bij '/R' optie niet gevuld"},
    {AppError::kRetrieveFileNameBad,
     "*** KOVENDI FOUT; Fout in opgegeven bestandsnaam in '/FIL' parameter bij '/R' optie"},
    {AppError::kParameterNotAllowedWithRetrieve,
     "*** KOVENDI FOUT; Parameter: %s, bij retrieve ('/R') van QRTLNK.RCV verboden"},
    {AppError::kRetrieveMessageIdMissing,
     "*** KOVENDI FOUT; '/MID' parameter ontbreekt bij retrieve ('/R') optie"},
    {AppError::kRetrieveFileNameMissing,
     "*** KOVENDI FOUT; '/FIL' parameter ontbreekt bij retrieve ('/R') optie"},
    {AppError::kTemporaryFileNotCreated,
     "*** KOVENDI FOUT; Fout bij creeren tijdelijk bestand"},
    {AppError::kTmpDirectoryMissing,
     "*** KOVENDI FOUT; Directory in 'TMP' environment bestaat niet"},
    {AppError::kTmpDirectoryNotWritable,
     "*** KOVENDI FOUT; Directory in 'TMP' environment heeft geen schrijf-permissie"},
    {AppError::kSendUpdateNotThirdParameter,
     "*** KOVENDI FOUT; '/C' parameter moet als derde parameter opgegeven worden"},
    {AppError::kSendUpdateMessageIdEmpty,
     "*** KOVENDI FOUT; Message_id bij '/MID' parameter bij '/C' optie is niet gevuld"},
    {AppError::kSendUpdateMessageIdTooLong,
     "*** KOVENDI FOUT; Opgegeven Message_id te lang bij '/MID' parameter bij '/C' optie"},
    {AppError::kSendUpdateDateTooLong,
     "*** KOVENDI FOUT; Opgegeven datum te lang bij '/DAT' parameter bij '/C' optie"},
    {AppError::kParameterNotAllowedWithSendUpdate,
     "*** KOVENDI FOUT; Parameter: %s, bij update ('/C') van QRTLNK.SND verboden"},
    {AppError::kSendUpdateDateNotNumeric,
     "*** KOVENDI FOUT; Opgegeven datum bij '/DAT' parameter is niet numeriek"},
    {AppError::kSendUpdateAppCodeEmpty,
     "*** KOVENDI FOUT; Applicatiecode '/APP' parameter bij '/C' optie is niet gevuld"},
    {AppError::kSendUpdateAppCodeTooLong,
     "*** KOVENDI FOUT; Opgegeven applicatiecode te lang bij '/APP' parameter bij '/C' optie"},
    {AppError::kSendUpdateFileNameTooLong,
     "*** KOVENDI FOUT; Opgegeven bestandsnaam te lang bij '/FIL' parameter bij '/C' optie"},
    {AppError::kSendUpdateFileNameEmpty,
     "*** KOVENDI FOUT; Bestandsnaam bij '/FIL' parameter bij '/C' optie is niet gevuld"},
    {AppError::kSendUpdateFileNameBad,
     "*** KOVENDI FOUT; Fout in opgegeven bestandsnaam in '/FIL' parameter bij '/C' optie"},
    {AppError::kSendUpdateDateEmpty,
     "*** KOVENDI FOUT; Datum bij '/DAT' parameter bij '/C' optie is niet gevuld"},
    {AppError::kSelectionFileNameTooLong,
     "*** KOVENDI FOUT; Opgegeven bestandsnaam te lang bij '/SEL' parameter bij '/R' optie"},
    {AppError::kRetrieveMessageIdTwice,
     "*** KOVENDI FOUT; 'MID'-attribuut dubbel gebruikt bij '/R'"},
    {AppError::kSelectionFileNameBad,
     "*** KOVENDI FOUT; Fout in opgegeven bestandsnaam in '/SEL' parameter bij '/R' optie"},
    {AppError::kRetrieveAddTwice,
     "*** KOVENDI FOUT; 'ADD'-attribuut dubbel gebruikt bij '/R(T)'"},
    {AppError::kSelectionFileNameEmpty,
     "*** KOVENDI FOUT; Bestandsnaam bij '/SEL' parameter bij '/R' optie niet gevuld"},
    {AppError::kDiskSpaceUnknown,
     "*** KOVENDI FOUT; Error bij opvragen beschikbare schijfruimte"},
    {AppError::kTooLittleDiskSpace,
     "*** KOVENDI FOUT; Te weinig schijfruimte bij verwerken %s"},
    {AppError::kEdifactDiskFull,
     "*** KOVENDI FOUT; Schijf vol bij verwerken edifactbestand %s"},
    {AppError::kParameterNotAllowedWithRetrieveText,
     "*** KOVENDI FOUT; Parameter: %s, bij retrieve-tekst ('/RT') niet toegestaan"},
    {AppError::kCommunicationFailed,
     "*** KOVENDI FOUT; Fout tijdens communicatie"},
    {AppError::kPinNotKeepable,
     "*** KOVENDI FOUT; Wachtwoord (PIN=) bevat tekens die niet bewaard kunnen worden"},
};
// clang-format on

// Every number from 1 up has its entry, in order, so that a number finds its entry directly.
constexpr bool catalogue_in_order() {
  int expected = 1;
  for (const CatalogueEntry& entry : kCatalogue) {
    if (error_number(entry.error) != expected++) return false;
  }
  return true;
}
static_assert(catalogue_in_order(), "the catalogue lists every error number once, in order");

constexpr int kCatalogueSize = sizeof kCatalogue / sizeof kCatalogue[0];

}  // namespace

const char* app_error_text(int number) {
  if (number < 1 || number > kCatalogueSize) return nullptr;
  return kCatalogue[number - 1].text;
}

}  // namespace kv
