#include "core/commandline.h"

#include <gtest/gtest.h>

TEST(CommandLine, OnlyTheExactWrittenFormsCount) {
  using kaleidon::CommandLine;
  EXPECT_TRUE(CommandLine{"/e"}.Change());
  EXPECT_TRUE(CommandLine{"/E"}.Change());
  EXPECT_FALSE(CommandLine{"-e"}.Change());
  EXPECT_FALSE(CommandLine{"/e "}.Change());
  EXPECT_FALSE(CommandLine{"/EE"}.Change());
  EXPECT_TRUE(CommandLine{"/S"}.Silent());
  EXPECT_TRUE(CommandLine{"/f"}.Reset());
  EXPECT_FALSE(CommandLine{"/F"}.Silent());
}

TEST(CommandLine, TheCommandsForARunningCopy) {
  using kaleidon::CommandLine;
  struct Case {
    const char* first;
    bool back;
    std::optional<int> neverAgain;
  };
  const Case cases[] = {
      {"/B", true, std::nullopt},   {"/b", true, std::nullopt},  {"/B ", false, std::nullopt},
      {"/X", false, 0},             {"/x", false, 0},            {"/X2", false, 2},
      {"/x10", false, 10},          {"/X99", false, 99},         {"/X0", false, std::nullopt},
      {"/X02", false, std::nullopt}, {"/X100", false, std::nullopt}, {"/X2a", false, std::nullopt},
      {"/XA", false, std::nullopt}, {"/X ", false, std::nullopt}, {"-X", false, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CommandLine{c.first}.Back(), c.back) << c.first;
    EXPECT_EQ(CommandLine{c.first}.NeverAgain(), c.neverAgain) << c.first;
    EXPECT_EQ(CommandLine{c.first}.ForRunningCopy(), c.back || c.neverAgain) << c.first;
  }
  EXPECT_TRUE(CommandLine{"/E"}.ForRunningCopy());
  EXPECT_FALSE(CommandLine{"/S"}.ForRunningCopy());
  EXPECT_FALSE(CommandLine{""}.ForRunningCopy());
}
