#include "client/engine/attribute_table.h"

#include <gtest/gtest.h>

#include <set>

#include "client/engine/engine_control.h"

namespace kv::engine {
namespace {

TEST(AttributeTableTest, FortyThreeKeywordsWithTheirCodes) {
  struct Row { const char* keyword; const char* value, *not_allowed, *twice, *empty; };
  const Row rows[kAttributeCount] = {
      {"DIS", "2401", "2101", "2301", "2201"}, {"ALI", "2402", "2102", "2302", "2202"},
      {"COU", "2403", "2103", "2303", "2203"}, {"ADM", "2404", "2104", "2304", "2204"},
      {"PMD", "2405", "2105", "2305", ""},     {"ORG", "2406", "2106", "2306", ""},
      {"OUA", "2407", "2107", "2307", ""},     {"OUB", "2408", "2108", "2308", ""},
      {"OUC", "2409", "2109", "2309", ""},     {"OUD", "2410", "2110", "2310", ""},
      {"SUR", "2411", "2111", "2311", "2211"}, {"GIV", "2412", "2112", "2312", "2212"},
      {"INI", "2413", "2113", "2313", "2213"}, {"DTA", "2431", "2127", "2325", "2225"},
      {"DVA", "2432", "2128", "2326", "2226"}, {"DTB", "2433", "2129", "2327", "2227"},
      {"DVB", "2434", "2130", "2328", "2228"}, {"GQU", "2435", "2131", "2329", "2229"},
      {"LID", "2414", "2114", "2314", "2214"}, {"MID", "2415", "2115", "2315", "2215"},
      {"SUB", "2416", "2116", "2316", "2216"}, {"IRP", "2417", "2117", "2317", "2217"},
      {"PRI", "2418", "2118", "2318", "2218"}, {"SEN", "2419", "2119", "2319", "2219"},
      {"NOT", "2420", "2120", "2320", "2220"}, {"RAP", "2421", "2121", "2321", "2221"},
      {"FIL", "2422", "2122", "2322", "2222"}, {"DIR", "2424", "2123", "2323", "2223"},
      {"DIF", "2425", "2124", "2324", "2224"}, {"BCO", "2426", "2125", "", ""},
      {"CCO", "2427", "2126", "", ""},         {"WAI", "2436", "2132", "2330", "2230"},
      {"PIN", "2439", "2133", "2331", "2231"}, {"NOD", "2441", "2134", "2332", ""},
      {"DEL", "2442", "2135", "2333", ""},     {"ADD", "2443", "2136", "2334", ""},
      {"SEL", "2445", "2137", "2335", "2232"}, {"NOP", "2444", "2138", "2336", ""},
      {"ANS", "2446", "2139", "2337", ""},     {"ANN", "2447", "2140", "2338", "2233"},
      {"REM", "", "", "", ""},                 {"MET", "2448", "2142", "2339", "2234"},
      {"MRT", "2451", "2143", "2340", "2235"},
  };
  std::set<std::string> not_allowed_codes;
  for (int p = 1; p <= kAttributeCount; ++p) {
    const Row& row = rows[p - 1];
    const AttributeKeyword& k = attribute_keyword(p);
    SCOPED_TRACE(row.keyword);
    EXPECT_STREQ(k.keyword, row.keyword);
    EXPECT_STREQ(k.value_code, row.value);
    EXPECT_STREQ(k.not_allowed, row.not_allowed);
    EXPECT_STREQ(k.twice, row.twice);
    EXPECT_STREQ(k.empty, row.empty);
    EXPECT_EQ(find_attribute(row.keyword), p);
    if (*row.not_allowed) {
      EXPECT_TRUE(not_allowed_codes.insert(row.not_allowed).second);
    }
  }
  EXPECT_EQ(find_attribute("sur"), kAttrSUR);
  EXPECT_EQ(find_attribute("Mrt"), kAttrMRT);
  EXPECT_EQ(find_attribute("XYZ"), 0);
  EXPECT_EQ(find_attribute("SU"), 0);
  EXPECT_EQ(find_attribute("SURX"), 0);
}

TEST(AttributeTableTest, MasksAndOperators) {
  EXPECT_STREQ(command_mask(kZend), "1111111111111111110111111110111000100010100");
  EXPECT_STREQ(command_mask(kOntvang), "0000000000220000001222220011000001011101133");
  EXPECT_STREQ(command_mask(kRapport), "0000000000000000001200000011000001011000133");
  EXPECT_STREQ(command_mask(kAntwoord), "0000000000000000000000000011000100010100100");
  EXPECT_STREQ(command_mask(kVerwijder), "0000000000220000001222220000000000001000130");
  EXPECT_STREQ(command_mask(kLijst), "0000000000220000000222220011000001011001133");
  EXPECT_STREQ(command_mask(kWachtwoord), "0000000000000000000000000000000010000000100");
  EXPECT_EQ(command_mask(0), nullptr);
  EXPECT_EQ(command_mask(8), nullptr);
  EXPECT_EQ(mask_digit(kZend, kAttrDIR), '0');
  EXPECT_EQ(mask_digit(kZend, kAttrLID), '0');
  EXPECT_EQ(mask_digit(kOntvang, kAttrSUR), '2');
  EXPECT_EQ(mask_digit(kLijst, kAttrMET), '3');
  EXPECT_EQ(mask_digit(kVerwijder, kAttrMRT), '0');
  for (int kind = kZend; kind <= kWachtwoord; ++kind) EXPECT_EQ(mask_digit(kind, kAttrREM), '1');

  EXPECT_TRUE(operator_allowed('1', '='));
  EXPECT_FALSE(operator_allowed('1', '!'));
  EXPECT_TRUE(operator_allowed('2', '!'));
  EXPECT_FALSE(operator_allowed('2', '<'));
  for (char op : {'=', '!', '<', '>'}) EXPECT_TRUE(operator_allowed('3', op));
  EXPECT_FALSE(operator_allowed('3', ':'));
  EXPECT_FALSE(operator_allowed('0', '='));
}

}  // namespace
}  // namespace kv::engine
