// The error file qrtlnk.err and its catalogue of numbered Dutch texts.
#include "client/common/error_file.h"

#include <cstdio>

#include "client/common/home.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr int kCatalogueSize = 54;
constexpr std::size_t kTextWidth = 103;

const char* const kCatalogue[kCatalogueSize] = {
    "*** KOVENDI FOUT; Te weinig parameters (minimaal 1)",
    "*** KOVENDI FOUT; Parameter-1 is geen bestand",
    "*** KOVENDI FOUT; App-id in aanroep is fout",
    "*** KOVENDI FOUT; Onbekende parameter: %s, in aanroep",
    "*** KOVENDI FOUT; KOVENDI.EXE is reeds gestart",
    "*** KOVENDI FOUT; Geen schrijf-permissie",
    "*** KOVENDI FOUT; GNS user-bestand is niet aanwezig",
    "*** KOVENDI FOUT; Opdrachtenbestand is niet aanwezig",
    "*** KOVENDI FOUT; Opdrachtenbestand bevat geen records",
    "*** KOVENDI FOUT; Te weinig geheugen bij %s",
    "*** KOVENDI FOUT; QRT400.EXE niet in 'path' of, geinstalleerd",
    "*** KOVENDI FOUT; Niet genoeg geheugen om QRT400.EXE te laden",
    "*** KOVENDI FOUT; Opgegeven parameter te lang",
    "*** KOVENDI FOUT; Applicatie bestand bij '/U' parameter is niet aanwezig",
    "*** KOVENDI FOUT; Parameter: %s, bij update QRTLNK.RCV verboden",
    "*** KOVENDI FOUT; Parameter /U= verboden in combinatie met andere",
    "*** KOVENDI FOUT; Applicatie bestand is gelijk aan 'QRTLNK.RCV'",
    "*** KOVENDI FOUT; Bestand of directory: %s bestaat niet",
    "*** KOVENDI FOUT; Fout bij creeren tijdelijk EDIFACT bestand: %s",
    "*** KOVENDI FOUT; Bestand SCRIPTIN.DIR is niet aanwezig",
    "*** KOVENDI FOUT; '/R(T)' parameter moet als derde parameter opgegeven worden",
    "*** KOVENDI FOUT; Message_id bij '/MID' parameter bij '/R' optie niet gevuld",
    "*** KOVENDI FOUT; Opgegeven Message_id te lang bij '/MID' parameter bij '/R' optie",
    "*** KOVENDI FOUT; Opgegeven bestandsnaam te lang bij '/FIL' parameter bij '/R' optie",
    "*** KOVENDI FOUT; Bestandsnaam bij '/FIL' parameter bij '/R' optie niet gevuld",
    "*** KOVENDI FOUT; Fout in opgegeven bestandsnaam in '/FIL' parameter bij '/R' optie",
    "*** KOVENDI FOUT; Parameter: %s, bij retrieve ('/R') van QRTLNK.RCV verboden",
    "*** KOVENDI FOUT; '/MID' parameter ontbreekt bij retrieve ('/R') optie",
    "*** KOVENDI FOUT; '/FIL' parameter ontbreekt bij retrieve ('/R') optie",
    "*** KOVENDI FOUT; Fout bij creeren tijdelijk bestand",
    "*** KOVENDI FOUT; Directory in 'TMP' environment bestaat niet",
    "*** KOVENDI FOUT; Directory in 'TMP' environment heeft geen schrijf-permissie",
    "*** KOVENDI FOUT; '/C' parameter moet als derde parameter opgegeven worden",
    "*** KOVENDI FOUT; Message_id bij '/MID' parameter bij '/C' optie is niet gevuld",
    "*** KOVENDI FOUT; Opgegeven Message_id te lang bij '/MID' parameter bij '/C' optie",
    "*** KOVENDI FOUT; Opgegeven datum te lang bij '/DAT' parameter bij '/C' optie",
    "*** KOVENDI FOUT; Parameter: %s, bij update ('/C') van QRTLNK.SND verboden",
    "*** KOVENDI FOUT; Opgegeven datum bij '/DAT' parameter is niet numeriek",
    "*** KOVENDI FOUT; Applicatiecode '/APP' parameter bij '/C' optie is niet gevuld",
    "*** KOVENDI FOUT; Opgegeven applicatiecode te lang bij '/APP' parameter bij '/C' optie",
    "*** KOVENDI FOUT; Opgegeven bestandsnaam te lang bij '/FIL' parameter bij '/C' optie",
    "*** KOVENDI FOUT; Bestandsnaam bij '/FIL' parameter bij '/C' optie is niet gevuld",
    "*** KOVENDI FOUT; Fout in opgegeven bestandsnaam in '/FIL' parameter bij '/C' optie",
    "*** KOVENDI FOUT; Datum bij '/DAT' parameter bij '/C' optie is niet gevuld",
    "*** KOVENDI FOUT; Opgegeven bestandsnaam te lang bij '/SEL' parameter bij '/R' optie",
    "*** KOVENDI FOUT; 'MID'-attribuut dubbel gebruikt bij '/R'",
    "*** KOVENDI FOUT; Fout in opgegeven bestandsnaam in '/SEL' parameter bij '/R' optie",
    "*** KOVENDI FOUT; 'ADD'-attribuut dubbel gebruikt bij '/R(T)'",
    "*** KOVENDI FOUT; Bestandsnaam bij '/SEL' parameter bij '/R' optie niet gevuld",
    "*** KOVENDI FOUT; Error bij opvragen beschikbare schijfruimte",
    "*** KOVENDI FOUT; Te weinig schijfruimte bij verwerken %s",
    "*** KOVENDI FOUT; Schijf vol bij verwerken edifactbestand %s",
    "*** KOVENDI FOUT; Parameter: %s, bij retrieve-tekst ('/RT') niet toegestaan",
    "*** KOVENDI FOUT; Fout tijdens communicatie",
};

const char kUnknownText[] = "*** KOVENDI FOUT; Onbekende foutkode";
const char kErrorFileName[] = "qrtlnk.err";

// The catalogue text with the parameter in place of "%s"; the parameter is taken literally.
std::string filled_text(const std::string& text, const std::string& parameter) {
  std::string::size_type slot = text.find("%s");
  if (slot == std::string::npos) return text;
  std::string filled;
  filled.reserve(text.size() + parameter.size());
  filled.append(text, 0, slot);
  filled.append(parameter);
  filled.append(text, slot + 2, std::string::npos);
  return filled;
}

// Left-aligned, padded with blanks or cut to exactly `width` characters ("%-103.103s").
std::string fixed_width(const std::string& text, std::size_t width) {
  std::string result = text.substr(0, width);
  result.append(width - result.size(), ' ');
  return result;
}

}  // namespace

std::string error_catalogue_text(int code) {
  if (code < 1 || code > kCatalogueSize) return "";
  return kCatalogue[code - 1];
}

std::string format_error_line(int code, const std::string& parameter) {
  std::string number;
  std::string text;
  char digits[32];
  if (code >= 1 && code <= kCatalogueSize) {
    // Every known number has its own format "00NN "; error 9 has none between number and text.
    std::snprintf(digits, sizeof digits, code == 9 ? "%04d" : "%04d ", code);
    text = filled_text(kCatalogue[code - 1], parameter);
  } else {
    std::snprintf(digits, sizeof digits, "0%03d ", code);
    text = kUnknownText;
  }
  number = digits;
  number.append(fixed_width(text, kTextWidth));
  number.push_back('\n');
  return number;
}

void schrijf_QRTLNK_error_bestand(int code, const std::string& parameter) {
  std::string line = format_error_line(code, parameter);
  std::string path = app_home().fullpath(kErrorFileName);
  std::FILE* file = fs::open_stream(path, "a");
  // An error file that cannot be opened (read-only home directory) loses the line; the run's
  // clean-up goes on regardless.
  if (file == nullptr) return;
  fs::write_stream(file, line, path);
  std::fclose(file);
}

}  // namespace kv
