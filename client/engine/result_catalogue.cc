// Every result code of a status line with its meaning and usual cause in English words.
#include "client/engine/result_catalogue.h"

#include <algorithm>
#include <map>

#include "client/common/text.h"
#include "client/engine/attribute_table.h"
#include "client/engine/result_codes.h"
#include "client/engine/verdict_map.h"

namespace kv::engine {
namespace {

using Catalogue = std::map<std::string, ResultCodeEntry>;

void add(Catalogue& c, const std::string& code, const std::string& meaning,
         const std::string& cause = "") {
  c[code] = ResultCodeEntry{code, meaning, cause};
}

// The codes that name one situation each.
void add_fixed_codes(Catalogue& c) {
  add(c, kCodeSuccess, "success");
  add(c, kCodeNoConnectLine, "the command file does not begin with *000CONNECT",
      "qrtlnk.gns could not be read when the request was translated, or the request begins with "
      "a CONNECT line of its own that is not *000CONNECT");
  add(c, kCodeUnknownConnectKeyword, "unknown key in the CONNECT block",
      "a misspelt key in qrtlnk.gns (PNI= for PNB=); the keys are POS PIN SRV PNB PAT DTT ISP "
      "TLS CRT REM");
  add(c, kCodeLineTooLong,
      "a line of the command file is longer than 274 characters; in the CONNECT block also: no "
      "POS= (user name)",
      "shorten the request line; give POS= in qrtlnk.gns");
  add(c, kCodeOpenFailed, "the session could not be opened (unknown failure)",
      "the Java runtime or the client library could not start, or failed unexpectedly: see "
      "debug.log and kovendi-client.log");
  add(c, kCodeUserStop, "stopped by the user (Escape, SIGINT, or the window closed)");
  add(c, kCodeNotAMessage, "the item is not a message (a report or notification)",
      "ONTVANG and ANTWOORD take messages; fetch reports with RAPPORT");
  add(c, kCodeNoAnswer, "no answer arrived within the waiting time",
      "raise WAI= (at most 900 seconds), or fetch the answer later with ONTVANG");
  add(c, kCodeSequenceNotNumeric, "the command line has no three-digit sequence number",
      "write a command as *, three digits and the name (*001ZEND)");
  add(c, kCodeUnknownCommand, "unknown command name",
      "a misspelt command; the commands are ZEND ONTVANG RAPPORT ANTWOORD VERWIJDER LIJST "
      "WACHTWOORD");
  add(c, kCodeSecondConnect, "a second CONNECT command", "a request holds one CONNECT at most");
  add(c, kCodeNoAnsweredSend, "ANTWOORD without an earlier ZEND with ANS in this run",
      "give ANS in the ZEND whose answer ANTWOORD waits for");
  add(c, kCodeNotSent, "send-queue record without a usable status line",
      "the run ended before the send was confirmed; its request is kept in qrtlnk.sav, from "
      "which the application may send it again (the next normal run empties qrtlnk.sav)");
  add(c, kCodeSelectionUnknownKeyword, "unknown keyword in the selection file (SEL=)");
  add(c, kCodeAliasAndList, "ALI and DIS for the same recipient");
  add(c, kCodeAliasWithAddress, "ALI together with address keywords for the same recipient");
  add(c, kCodeListWithAddress, "DIS together with address keywords for the same recipient");
  add(c, kCodeNoMid, "ZEND without MID", "every ZEND needs MID= (a message identifier)");
  add(c, kCodeNoFil, "ZEND without FIL", "every ZEND needs FIL= (the file to send)");
  add(c, kCodeNoRecipient, "ZEND without a recipient",
      "give an address (COU= ADM= ORG= SUR= ...), ALI= or DIS=, or send an EDIFACT file with "
      "MID=EDI... and no address at all");
  add(c, kCodeNoLaterRecipient, "CCO or BCO without a recipient after it");
  add(c, kCodeFilAndDir, "FIL and DIR together");
  add(c, kCodeLidWithSelection, "LID together with selection keywords",
      "LID names one message; leave the other criteria out");
  add(c, kCodeUnrestrictedDelete, "VERWIJDER that names no message",
      "give LID=, MID= or another criterion besides SUB=");
  add(c, kCodeListAndInterchange, "DIS together with DIF");
  add(c, kCodeInterchangeWithCopies, "DIF together with CCO or BCO");
  add(c, kCodeNoPin, "WACHTWOORD without PIN", "give the new password as PIN=");
  add(c, kCodeAddWithoutFil, "ADD without FIL");
  add(c, kCodeSelectionWithCriteria, "SEL together with other selection keywords");
  add(c, kCodeSelectionUnreadable, "the selection file cannot be read");
  add(c, kCodeSelectionLineTooLong, "a line of the selection file is too long");
  add(c, kCodeSelectionStartsWithOr, "the selection file begins with an OR line");
  add(c, kCodeSelectionDoubleOr, "two OR lines in a row in the selection file");
  add(c, kCodeSelectionEndsWithOr, "the selection file ends with an OR line");
  add(c, kCodeSelectionEmpty, "the selection file holds no criteria");
  add(c, kCodeNodWithAnn, "NOD together with ANN");
  add(c, kCodeTooManyCriteria, "too many criteria in the selection");
  add(c, kCodeNodWithMrt, "NOD together with MRT");
  add(c, kCodeDirectoryNotFound, "the directory, or the directory above it, does not exist",
      "check the name of DIR= (relative names are taken against the home directory)");
  add(c, kCodeFileDirectoryNotFound, "the directory that is to hold the file does not exist");
  add(c, kCodeCannotWrite, "nothing can be written there",
      "the directory is not writable for this user, or the disk is full");
  add(c, kCodeFileNotFound, "the file to send does not exist",
      "check FIL= or DIF= (relative names are taken against the home directory)");
  add(c, kCodeNotAFile, "the name is a directory, or \".\" or \"..\", not a file");
  add(c, kCodeFileNotReadable, "the file exists but cannot be read", "check its permissions");
  add(c, kCodeWriteProtected, "the file, or the directory that is to receive it, is write-protected");
  add(c, kCodeNamesNoFile, "the name is only a drive, or it ends in a separator");
  add(c, kCodeWorkFile, "no temporary work file could be created in the home directory",
      "the home directory is not writable, or the disk is full");
  add(c, kCodeInterchangeTooLarge, "the EDIFACT files of one ZEND are larger than 2095104 bytes");
  add(c, kCodeDialResultMissing, "the dial-up helper left no result file kovedial.txt",
      "kovedial could not run or write in the home directory");
  add(c, kCodeDialResultEmpty, "the dial-up helper's result file kovedial.txt is empty");
  add(c, "4004", "the dial-up entry (ISP=) does not exist", "check ISP= in qrtlnk.gns");
  add(c, "4005", "the dial was cancelled, or the connection broke off");
  add(c, "4006", "no saved password for the dial-up entry");
  add(c, "4nnn", "the dial failed with dial-up error nnn (see kovedial(1))");
}

// The CONNECT block, written from qrtlnk.gns: per key, the code for a line without a value, for
// a second line, for a value too long and for a missing key.
void add_connect_codes(Catalogue& c) {
  struct Key {
    const char* name;
    const char* what;
    const char* too_short;
    const char* twice;
  };
  const Key keys[] = {{"POS", "user name", "1013", "1033"}, {"PIN", "password", "1014", "1034"},
                      {"PAT", "answer time-out", "1020", "1040"},
                      {"DTT", "data-transfer time-out", "1021", "1041"},
                      {"SRV", "server", "1025", "1045"}, {"PNB", "port", "1026", "1046"},
                      {"ISP", "dial-up entry", "5002", "5003"},
                      {"CRT", "root certificate", "1027", "1047"},
                      {"TLS", "transport security", "1028", "1048"}};
  for (const Key& k : keys) {
    const std::string key = k.name;
    add(c, k.too_short, key + "= (" + k.what + ") without a value in qrtlnk.gns");
    add(c, k.twice, key + "= (" + k.what + ") twice in qrtlnk.gns");
  }
  add(c, "1005", "POS= (user name) longer than 8 characters");
  add(c, "1006", "PIN= (password) longer than 15 characters");
  add(c, "1053", "SRV= (server) longer than 64 characters");
  add(c, "1104", "ISP= (dial-up entry) longer than 32 characters");
  add(c, "1054", "CRT= (root certificate) longer than 195 characters");
  add(c, "1057", "TLS= (transport security) neither AUTO nor ON");
  add(c, "1050", "neither SRV= nor PNB= in qrtlnk.gns");
  add(c, "1056", "no PIN= (password) in qrtlnk.gns");
  add(c, "1058", "no SRV= (server) in qrtlnk.gns",
      "SRV=file:DIRECTORY for an embedded store, SRV=HOST[/DATABASE] for a service");
  add(c, "1059", "no PNB= (port) in qrtlnk.gns",
      "PNB= is required also with SRV=file:, where the port is not used (PNB=1)");
}

// What a verdict means to the person who reads the journal; "" for values without words.
std::string verdict_meaning(int verdict) {
  switch (verdict) {
    case 0: return "unknown failure";
    case 1: return "invalid argument";
    case 2: return "operation not allowed";
    case 3: return "message store or server not reachable";
    case 4: return "no session";
    case 5: return "message not found";
    case 6: return "log-in refused";
    case 7: return "no recipient";
    case 8: return "body-part file unreadable";
    case 9: return "receive directory unusable";
    case 10: return "filter invalid";
    case 11: return "new password invalid";
    case 12: return "message invalid";
    case 13: return "list identifier invalid";
    case 14: return "store busy";
    case 15: return "store read/write failure";
    case 29: return "stopped by the user";
    default: return "";
  }
}

std::string verdict_cause(int verdict) {
  switch (verdict) {
    case 3: return "SRV=file: names no store (kovendi-store init makes one), or the server at SRV= "
                   "and PNB= does not answer or refuses the connection; the session ends";
    case 4: return "the mailbox was removed, or the connection broke; the session ends";
    case 6: return "unknown user (POS=) or wrong password (PIN=) in qrtlnk.gns, or a PostgreSQL "
                   "server whose certificate or host name could not be verified (TLS= and CRT= "
                   "in qrtlnk.gns(5)); kovendi-store check HOME tells which";
    case 7: return "no mailbox has the address given: every field that the request fills (and "
                   "COU, ADM, PMD from $qrt400.prm or their defaults NL, HUBADMD, QRT400) must equal "
                   "the mailbox's own; kovendi-store list shows the addresses";
    case 8: return "a file of FIL= disappeared or became unreadable";
    case 9: return "the receive directory is missing or not writable";
    case 14: return "another process held the store too long; try again";
    case 15: return "the store's disk is full or its files are protected";
    default: return "";
  }
}

void add_verdict_codes(Catalogue& c) {
  for (int verdict = 0; verdict <= 26; ++verdict) {
    const VerdictMapping m = map_verdict_value(verdict);
    if (c.count(m.code) != 0) continue;
    std::string meaning = verdict_meaning(verdict).empty()
                              ? "the service refused with verdict " + std::to_string(verdict)
                              : "the service refused: " + verdict_meaning(verdict) +
                                    " (verdict " + std::to_string(verdict) + ")";
    if (m.code == "1513") {
      meaning = "the service refused: invalid argument, operation not allowed or an unknown "
                "verdict (verdict 1, 2, or above 26)";
    }
    add(c, m.code, meaning, verdict_cause(verdict));
  }
}

// The attribute keywords: per keyword the codes of a refused value, of a keyword the command does
// not take, of a second line and of an empty value.
void add_attribute_codes(Catalogue& c) {
  for (int position = 1; position <= kAttributeCount; ++position) {
    const AttributeKeyword& k = attribute_keyword(position);
    const std::string key = k.keyword;
    if (key == "REM") continue;
    std::string value = key + ": value refused";
    switch (k.rule) {
      case ValueRule::kText:
      case ValueRule::kOptionalText:
      case ValueRule::kFile:
      case ValueRule::kDirectory:
      case ValueRule::kInterchange:
      case ValueRule::kSelection:
        value = key + ": value longer than " + std::to_string(k.max_length) + " characters";
        break;
      case ValueRule::kDigitCode:
        value = key + ": not one digit from " + std::to_string(k.low) + " to " +
                std::to_string(k.high);
        break;
      case ValueRule::kAlone:
      case ValueRule::kSeparator:
        value = key + ": the keyword stands alone on its line, without = or a value";
        break;
      default:
        break;
    }
    add(c, k.value_code, value);
    add(c, k.not_allowed, key + " is not a keyword of this command",
        "see kovendi-request(5) for the keywords of each command");
    if (*k.twice != '\0') add(c, k.twice, key + " given twice in one command");
    if (*k.empty != '\0') add(c, k.empty, key + " without a value");
  }
  add(c, attr_code::kUnknownKeyword, "unknown keyword",
      "a misspelt attribute line; every attribute is a three-letter keyword, an operator and "
      "the value");
  add(c, attr_code::kOperator, "operator not allowed for this keyword in this command",
      "only selection keywords take ! (not equal), only MET and MRT take < and >");
  add(c, attr_code::kNinthFile, "a ninth FIL in one ZEND (at most 8 files)");
  add(c, attr_code::kNinthFileWithInterchange, "a FIL after 7 files and a DIF in one ZEND");
  add(c, attr_code::kInterchangeNoRoom, "DIF after 8 files in one ZEND");
  add(c, attr_code::kTooManySeparators, "more than 19 CCO and BCO in one ZEND (at most 20 recipients)");
  add(c, attr_code::kWaitLength, "WAI: more than 3 characters");
  add(c, attr_code::kWaitDigits, "WAI: not only digits");
  add(c, attr_code::kWaitRange, "WAI: more than 900 seconds");
  add(c, attr_code::kPinForm, "PIN: the new password is not 5 to 8 characters of A-Z, 0-9, * . $");
  add(c, attr_code::kPinUnchanged, "PIN: the new password equals the present one");
  add(c, attr_code::kMetLength, "MET: more than 10 digits");
  add(c, attr_code::kMetDigits, "MET: not only digits");
  add(c, attr_code::kMetShort, "MET: fewer than 6 digits with = or !");
  add(c, attr_code::kMrtLength, "MRT: more than 10 digits");
  add(c, attr_code::kMrtDigits, "MRT: not only digits");
  add(c, attr_code::kMrtShort, "MRT: fewer than 6 digits with = or !");
}

std::vector<ResultCodeEntry> build() {
  Catalogue c;
  add_attribute_codes(c);
  add_connect_codes(c);
  add_verdict_codes(c);
  add_fixed_codes(c);
  std::vector<ResultCodeEntry> entries;
  for (auto& [code, entry] : c) entries.push_back(entry);
  return entries;
}

}  // namespace

const std::vector<ResultCodeEntry>& result_code_catalogue() {
  static const std::vector<ResultCodeEntry> catalogue = build();
  return catalogue;
}

const ResultCodeEntry* find_result_code(const std::string& code) {
  const auto& all = result_code_catalogue();
  auto it = std::find_if(all.begin(), all.end(),
                         [&](const ResultCodeEntry& e) { return e.code == code; });
  if (it != all.end()) return &*it;
  if (code.size() == 4 && code[0] == '4' && code.find_first_not_of("0123456789") == std::string::npos) {
    return find_result_code("4nnn");
  }
  return nullptr;
}

std::string verdict_words(int verdict) {
  std::string words = verdict_meaning(verdict);
  return words.empty() ? "verdict " + std::to_string(verdict) : words;
}

}  // namespace kv::engine
