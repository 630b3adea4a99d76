// The vocabulary of command attribute lines.
#include "client/engine/attribute_table.h"

#include "client/common/send_keywords.h"
#include "client/common/text.h"
#include "client/engine/engine_control.h"

namespace kv::engine {

namespace {

using R = ValueRule;

// Position n is entry n - 1.
constexpr AttributeKeyword kKeywords[kAttributeCount] = {
    {"DIS", R::kText, 16, 0, 0, "2401", "2101", "2301", "2201"},
    {"ALI", R::kText, 16, 0, 0, "2402", "2102", "2302", "2202"},
    {"COU", R::kText, 3, 0, 0, "2403", "2103", "2303", "2203"},
    {"ADM", R::kText, 16, 0, 0, "2404", "2104", "2304", "2204"},
    {"PMD", R::kOptionalText, 16, 0, 0, "2405", "2105", "2305", ""},
    {"ORG", R::kOptionalText, 64, 0, 0, "2406", "2106", "2306", ""},
    {"OUA", R::kOptionalText, 32, 0, 0, "2407", "2107", "2307", ""},
    {"OUB", R::kOptionalText, 32, 0, 0, "2408", "2108", "2308", ""},
    {"OUC", R::kOptionalText, 32, 0, 0, "2409", "2109", "2309", ""},
    {"OUD", R::kOptionalText, 32, 0, 0, "2410", "2110", "2310", ""},
    {"SUR", R::kText, 40, 0, 0, "2411", "2111", "2311", "2211"},
    {"GIV", R::kText, 16, 0, 0, "2412", "2112", "2312", "2212"},
    {"INI", R::kText, 5, 0, 0, "2413", "2113", "2313", "2213"},
    {"DTA", R::kText, 8, 0, 0, "2431", "2127", "2325", "2225"},
    {"DVA", R::kText, 128, 0, 0, "2432", "2128", "2326", "2226"},
    {"DTB", R::kText, 8, 0, 0, "2433", "2129", "2327", "2227"},
    {"DVB", R::kText, 128, 0, 0, "2434", "2130", "2328", "2228"},
    {"GQU", R::kText, 3, 0, 0, "2435", "2131", "2329", "2229"},
    {"LID", R::kText, 12, 0, 0, "2414", "2114", "2314", "2214"},
    {"MID", R::kText, 64, 0, 0, "2415", "2115", "2315", "2215"},
    {"SUB", R::kText, 256, 0, 0, "2416", "2116", "2316", "2216"},
    {"IRP", R::kText, 64, 0, 0, "2417", "2117", "2317", "2217"},
    {"PRI", R::kDigitCode, 1, 1, 3, "2418", "2118", "2318", "2218"},
    {"SEN", R::kDigitCode, 1, 1, 4, "2419", "2119", "2319", "2219"},
    {"NOT", R::kDigitCode, 1, 1, 3, "2420", "2120", "2320", "2220"},
    {"RAP", R::kDigitCode, 1, 1, 3, "2421", "2121", "2321", "2221"},
    {"FIL", R::kFile, 64, 0, 0, "2422", "2122", "2322", "2222"},
    {"DIR", R::kDirectory, 52, 0, 0, "2424", "2123", "2323", "2223"},
    {"DIF", R::kInterchange, 64, 0, 0, "2425", "2124", "2324", "2224"},
    {"BCO", R::kSeparator, 0, 0, 0, "2426", "2125", "", ""},
    {"CCO", R::kSeparator, 0, 0, 0, "2427", "2126", "", ""},
    {"WAI", R::kWaitTime, 3, 0, 900, "2436", "2132", "2330", "2230"},
    {"PIN", R::kNewPassword, 8, 5, 8, "2439", "2133", "2331", "2231"},
    {"NOD", R::kAlone, 0, 0, 0, "2441", "2134", "2332", ""},
    {"DEL", R::kAlone, 0, 0, 0, "2442", "2135", "2333", ""},
    {"ADD", R::kAlone, 0, 0, 0, "2443", "2136", "2334", ""},
    {"SEL", R::kSelection, 64, 0, 0, "2445", "2137", "2335", "2232"},
    {"NOP", R::kAlone, 0, 0, 0, "2444", "2138", "2336", ""},
    {"ANS", R::kAlone, 0, 0, 0, "2446", "2139", "2337", ""},
    {"ANN", R::kText, 8, 0, 0, "2447", "2140", "2338", "2233"},
    {"REM", R::kComment, 0, 0, 0, "", "", "", ""},
    {"MET", R::kDateBound, 10, 0, 0, "2448", "2142", "2339", "2234"},
    {"MRT", R::kDateBound, 10, 0, 0, "2451", "2143", "2340", "2235"},
};

// Index = command kind - 1.
constexpr const char* kMasks[7] = {
    "1111111111111111110111111110111000100010100",  // ZEND
    "0000000000220000001222220011000001011101133",  // ONTVANG
    "0000000000000000001200000011000001011000133",  // RAPPORT
    "0000000000000000000000000011000100010100100",  // ANTWOORD
    "0000000000220000001222220000000000001000130",  // VERWIJDER
    "0000000000220000000222220011000001011001133",  // LIJST
    "0000000000000000000000000000000010000000100",  // WACHTWOORD
};

}  // namespace

const AttributeKeyword& attribute_keyword(int position) { return kKeywords[position - 1]; }

int find_attribute(const std::string& keyword) {
  if (keyword.size() != 3) return 0;
  std::string upper = to_upper(keyword);
  for (int i = 0; i < kAttributeCount; ++i) {
    if (upper == kKeywords[i].keyword) return i + 1;
  }
  return 0;
}

status::Field zend_status_field(int position) {
  const auto* entry = send_keywords::find(attribute_keyword(position).keyword);
  return entry != nullptr ? entry->status : status::kLastField;
}

const char* command_mask(int command_kind) {
  if (command_kind < kZend || command_kind > kWachtwoord) return nullptr;
  return kMasks[command_kind - 1];
}

char mask_digit(int command_kind, int position) {
  const char* mask = command_mask(command_kind);
  if (!mask || position < 1 || position > kAttributeCount) return '0';
  return mask[position - 1];
}

bool operator_allowed(char digit, char op) {
  switch (digit) {
    case '1': return op == '=';
    case '2': return op == '=' || op == '!';
    case '3': return op == '=' || op == '!' || op == '<' || op == '>';
    default: return false;
  }
}

}  // namespace kv::engine
