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
