#include "core/custommask.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

using kaleidon::CleanCustomMask;
using kaleidon::CustomMaskFits;

namespace {

// n patterns "*.Pn", joined by ";".
std::string Patterns(int n) {
  std::string mask;
  for (int i = 1; i <= n; ++i) mask += (i > 1 ? ";*.P" : "*.P") + std::to_string(i);
  return mask;
}

}  // namespace

TEST(CustomMask, CleaningDropsRefusedAndEmptyPatternsAndBarsKeepingTheRestAsWritten) {
  struct Case {
    const char* mask;
    const char* cleaned;
  };
  for (const Case& c : {
           Case{"*.bmp;*.txt;*.jpg", "*.bmp;*.jpg"},      // refused in any case, the rest keeps its case
           Case{";*.BMP;;*.GIF;", "*.BMP;*.GIF"},
           Case{";;;;;", ""},
           Case{"*.*", ""},
           Case{"*.BMP|*.GIF", "*.BMP*.GIF"},             // a bar is removed and nothing else
           Case{"*.T|XT", "*.TXT"},                       // refusal comes before the bars go
           Case{"*.TXT ", "*.TXT "},                      // not exactly a refused pattern
           Case{"*.lzh;*.Html;*.mpeg;*.h;*.z;*.386", "*.lzh"},
           Case{"*.PIC;|;*.MAG;||", "*.PIC;*.MAG"},
           Case{"*.壁紙;*.exe;*.ＴＸＴ", "*.壁紙;*.ＴＸＴ"},  // only ASCII letters change case
           Case{"", ""},
       }) {
    EXPECT_EQ(CleanCustomMask(c.mask), c.cleaned) << c.mask;
  }
}

TEST(CustomMask, EveryRefusedPatternGoesWhateverItsCase) {
  for (std::string_view refused : kaleidon::kRejectedMasks) {
    std::string lower(refused);
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(CleanCustomMask("*.MAG;" + std::string(refused) + ";*.PIC;" + lower), "*.MAG;*.PIC") << refused;
  }
}

TEST(CustomMask, OnePassEachAnswersWhetherItChangedAnything) {
  std::string mask = "*.PIC;*.exe";
  EXPECT_FALSE(kaleidon::ValidateCustomMask(mask));
  EXPECT_EQ(mask, "*.PIC;;" + std::string(254, ';'));  // every slot closed by its ";"
  EXPECT_TRUE(kaleidon::ValidateCustomMask(mask));
  EXPECT_FALSE(kaleidon::NormalizeCustomMask(mask));
  std::string clean = "*.PIC;*.MAG";
  EXPECT_TRUE(kaleidon::NormalizeCustomMask(clean));
  EXPECT_EQ(clean, "*.PIC;*.MAG");
}

TEST(CustomMask, TwoHundredFiftySixPatternsFitAndOneMoreDoesNot) {
  EXPECT_TRUE(CustomMaskFits(Patterns(256)));
  EXPECT_EQ(CleanCustomMask(Patterns(256)), Patterns(256));
  EXPECT_TRUE(CustomMaskFits(Patterns(256) + std::string(100, ';')));  // separators alone take no slot
  EXPECT_FALSE(CustomMaskFits(Patterns(257)));
  EXPECT_FALSE(CustomMaskFits(std::string(256, ';') + "x"));

  // A mask that does not fit is left alone, whoever asks.
  std::string tooLong = Patterns(300);
  EXPECT_FALSE(kaleidon::ValidateCustomMask(tooLong));
  EXPECT_EQ(tooLong, Patterns(300));
  EXPECT_EQ(CleanCustomMask(Patterns(300)), Patterns(300));
}

// The settings file gives back 1023 characters of a value: a mask stored
// longer would come back cut, its last pattern maybe another one.
TEST(CustomMask, AMaskIsStorableWhenItsCleanedTextHasAtMost1023Characters) {
  std::string a255;
  for (int i = 0; i < 255; ++i) a255 += i ? ";*.A" : "*.A";
  const std::string a256 = a255 + ";*.A";
  std::string wall;
  for (int i = 0; i < 1023; ++i) wall += "壁";
  struct Row {
    std::string mask;
    bool storable;
  };
  const Row rows[] = {
      {a256, true},  // 1023 characters
      {a256 + "B", false},
      {a255 + ";*.TXT", true},  // 1025 characters as typed, 1019 cleaned
      {wall, true},
      {wall + "壁", false},
  };
  for (const Row& row : rows) EXPECT_EQ(kaleidon::CustomMaskStorable(row.mask), row.storable) << row.mask.size();
}
