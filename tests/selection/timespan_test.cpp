#include "selection/timespan.h"

#include <gtest/gtest.h>

#include "framework/base/inidocument.h"
#include "selection/foldermemory.h"
#include "support/tempdir.h"

using kaleidon::SlotTime;
using kaleidon::TimeSpan;

namespace {

constexpr int At(int hour, int minute) { return hour * 60 + minute; }

}  // namespace

TEST(TimeSpan, WhatUsersTypeIsReadExactlyAndWrittenPlainly) {
  struct Case {
    const char* typed;
    std::optional<TimeSpan> span;
    const char* written;
  };
  const Case cases[] = {
      {"6:00-18:00", TimeSpan{At(6, 0), At(18, 0)}, "6:00-18:00"},
      {"22:00-5:00", TimeSpan{At(22, 0), At(5, 0)}, "22:00-5:00"},
      {"06:30 - 07:05", TimeSpan{At(6, 30), At(7, 5)}, "6:30-7:05"},
      {"０６：００〜１８：００", TimeSpan{At(6, 0), At(18, 0)}, "6:00-18:00"},
      {"　22:00～5:00 ", TimeSpan{At(22, 0), At(5, 0)}, "22:00-5:00"},
      {"9:00~17:00", TimeSpan{At(9, 0), At(17, 0)}, "9:00-17:00"},
      {"18:00－24:00", TimeSpan{At(18, 0), At(24, 0)}, "18:00-24:00"},
      {"0:00-24:00", TimeSpan{0, At(24, 0)}, "0:00-24:00"},
      {"", std::nullopt, nullptr},
      {"6-18", std::nullopt, nullptr},
      {"6:0-18:00", std::nullopt, nullptr},
      {"6:000-18:00", std::nullopt, nullptr},
      {"006:00-18:00", std::nullopt, nullptr},
      {"25:00-5:00", std::nullopt, nullptr},
      {"6:60-18:00", std::nullopt, nullptr},
      {"24:00-5:00", std::nullopt, nullptr},
      {"24:30-5:00", std::nullopt, nullptr},
      {"6:00-6:00", std::nullopt, nullptr},
      {"6:00 18:00", std::nullopt, nullptr},
      {"6:00-18:00-20:00", std::nullopt, nullptr},
      {"6:00-18:00頃", std::nullopt, nullptr},
      {"-6:00-18:00", std::nullopt, nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kaleidon::ParseTimeSpan(c.typed), c.span) << c.typed;
    if (c.span) {
      EXPECT_EQ(kaleidon::FormatTimeSpan(*c.span), c.written) << c.typed;
    }
  }
}

TEST(TimeSpan, HoldsFromItsBeginUpToItsEndAcrossMidnightToo) {
  const TimeSpan day{At(6, 0), At(18, 0)};
  const TimeSpan night{At(22, 0), At(5, 0)};
  const TimeSpan evening{At(18, 0), At(24, 0)};
  struct Case {
    int minute;
    bool day, night, evening;
  };
  const Case cases[] = {
      {At(0, 0), false, true, false},    {At(4, 59), false, true, false}, {At(5, 0), false, false, false},
      {At(5, 59), false, false, false},  {At(6, 0), true, false, false},  {At(17, 59), true, false, false},
      {At(18, 0), false, false, true},   {At(21, 59), false, false, true}, {At(22, 0), false, true, true},
      {At(23, 59), false, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(day.Holds(c.minute), c.day) << c.minute;
    EXPECT_EQ(night.Holds(c.minute), c.night) << c.minute;
    EXPECT_EQ(evening.Holds(c.minute), c.evening) << c.minute;
  }
}

namespace {

// Slot 1 the day folder, slot 2 the night folder, slot 3 one for any time.
const std::vector<SlotTime> kDayNightAny = {
    {true, TimeSpan{At(6, 0), At(18, 0)}},
    {true, TimeSpan{At(22, 0), At(5, 0)}},
    {true, std::nullopt},
};

}  // namespace

TEST(TimeSpan, TheRotationTakesTheFoldersInTheirTimeAndAnyWhenNoneIs) {
  const std::vector<SlotTime> dayAndNight(kDayNightAny.begin(), kDayNightAny.begin() + 2);
  const std::vector<SlotTime> noSpans = {{true, std::nullopt}, {false, std::nullopt}, {true, std::nullopt}};
  const std::vector<SlotTime> emptyAmongThem = {{true, TimeSpan{At(6, 0), At(18, 0)}}, {false, std::nullopt}};
  struct Case {
    const std::vector<SlotTime>* slots;
    int minute;
    std::vector<int> taken;
  };
  const Case cases[] = {
      {&kDayNightAny, At(12, 0), {1, 3}},
      {&kDayNightAny, At(23, 0), {2, 3}},
      {&kDayNightAny, At(2, 0), {2, 3}},
      {&kDayNightAny, At(5, 0), {3}},
      {&kDayNightAny, At(18, 0), {3}},
      {&dayAndNight, At(6, 0), {1}},
      {&dayAndNight, At(20, 0), {1, 2}},  // none in its time: any
      {&noSpans, At(20, 0), {1, 2, 3}},   // no spans: the rotation as it was
      {&emptyAmongThem, At(12, 0), {1}},  // an empty slot has no time of its own
      {&emptyAmongThem, At(20, 0), {1, 2}},
  };
  for (const Case& c : cases) EXPECT_EQ(kaleidon::SlotsInTime(*c.slots, c.minute), c.taken) << c.minute;
}

TEST(TimeSpan, TheClockChangesTheFolderShownOnceAtASpansEndAndAfterAResume) {
  kaleidon::TimeOfDay now{At(17, 58), 30, 0};
  const kaleidon::DayClock clock = [&now] { return now; };
  kaleidon::SpanWatch watch;
  int shown = 1;  // the day folder
  // One look of the program: a change (which takes a folder in its time)
  // when the watch says so.
  auto look = [&] {
    const int minute = clock().minute;
    if (!watch.ShouldChange(kaleidon::ShownFolderOutOfTime(kDayNightAny, shown, minute))) return false;
    shown = kaleidon::SlotsInTime(kDayNightAny, minute).front();
    watch.Shown(kaleidon::ShownFolderOutOfTime(kDayNightAny, shown, minute));
    return true;
  };
  EXPECT_FALSE(look());
  EXPECT_EQ(kaleidon::DelayToNextBoundary(kDayNightAny, clock()), 90000u);  // at 18:00
  now = {At(18, 0), 0, 5};
  EXPECT_TRUE(look());
  EXPECT_EQ(shown, 3);
  // The folder for any time stays when the night begins.
  now = {At(22, 0), 0, 0};
  EXPECT_FALSE(look());
  // The night folder, chosen by hand at night, goes when the night ends.
  shown = 2;
  watch.Shown(kaleidon::ShownFolderOutOfTime(kDayNightAny, shown, At(22, 30)));
  now = {At(5, 0), 0, 0};
  EXPECT_TRUE(look());
  EXPECT_EQ(shown, 3);
  // Chosen by hand out of its time, it stays: the looks of each minute (and
  // the spans that begin and end) leave it.
  shown = 2;
  watch.Shown(kaleidon::ShownFolderOutOfTime(kDayNightAny, shown, At(12, 0)));
  for (int minute : {At(12, 1), At(18, 0), At(21, 59)}) {
    now = {minute, 0, 0};
    EXPECT_FALSE(look()) << minute;
  }
  EXPECT_EQ(shown, 2);
  // The machine slept into the next evening: the first look after the
  // resume goes by the time it finds.
  now = {At(19, 0), 0, 0};
  watch.Resumed();
  EXPECT_TRUE(look());
  EXPECT_EQ(shown, 3);
}

TEST(TimeSpan, TheTimerWaitsForTheNextBeginOrEnd) {
  struct Case {
    kaleidon::TimeOfDay now;
    std::optional<uint32_t> delay;
  };
  const Case cases[] = {
      {{At(12, 0), 0, 0}, 6u * 3600000},            // the day ends at 18:00
      {{At(21, 59), 59, 999}, 1u},                  // the night begins
      {{At(23, 0), 0, 0}, 6u * 3600000},            // the night ends at 5:00, across midnight
      {{At(5, 0), 0, 0}, 3600000u},                 // 5:00 is past: the day begins at 6:00
      {{At(18, 0), 30, 0}, 4u * 3600000 - 30000},  // at 22:00
  };
  for (const Case& c : cases) EXPECT_EQ(kaleidon::DelayToNextBoundary(kDayNightAny, c.now), c.delay) << c.now.minute;
  EXPECT_EQ(kaleidon::DelayToNextBoundary({{true, std::nullopt}, {false, TimeSpan{0, 60}}}, {}), std::nullopt);
}

TEST(TimeSpan, StoredBesideTheSlotInTheSameReplacementAndOnlyForItsFolder) {
  TempDir dir;
  framework::IniFile settings(dir.PathOf("Kaleidon.ini"));
  const TimeSpan night{At(22, 0), At(5, 0)};
  const uint64_t before = framework::IniFile::Replacements();
  {
    framework::IniEdit edit(settings);
    kaleidon::WriteFolderSlot(edit, "C:\\Night\\", 2);
    kaleidon::WriteSlotSpan(edit, 2, "C:\\Night\\", night);
    kaleidon::WriteFolderSlot(edit, "C:\\Any\\", 3);
    kaleidon::WriteSlotSpan(edit, 3, "C:\\Any\\", std::nullopt);
    edit.Commit();
  }
  EXPECT_EQ(framework::IniFile::Replacements(), before + 1);
  framework::IniDocument ini(dir.ReadFile("Kaleidon.ini"));
  EXPECT_EQ(ini.Value("DirectoryBuf", "PathSpan2"), "22:00-5:00|C:\\Night\\");
  EXPECT_EQ(ini.Value("DirectoryBuf", "PathSpan3"), std::nullopt);
  EXPECT_EQ(kaleidon::ReadSlotSpan(settings, 2, "c:\\night\\"), night);
  // A version that knows no spans moved the folders of the slots: the span
  // left at slot 2 is not the span of the folder there now.
  settings.WriteString("DirectoryBuf", "PathMemory2", "C:\\Any\\");
  EXPECT_EQ(kaleidon::ReadSlotSpan(settings, 2, "C:\\Any\\"), std::nullopt);
  EXPECT_EQ(kaleidon::ReadSlotSpan(settings, 4, ""), std::nullopt);
  EXPECT_EQ(kaleidon::SpanOfStoredValue("夜|C:\\Night\\", "C:\\Night\\"), std::nullopt);
  EXPECT_EQ(kaleidon::SpanOfStoredValue("22:00-5:00", "C:\\Night\\"), std::nullopt);
  // No span any more: the key goes.
  framework::IniEdit edit(settings);
  kaleidon::WriteSlotSpan(edit, 2, "C:\\Night\\", std::nullopt);
  edit.Commit();
  EXPECT_EQ(framework::IniDocument(dir.ReadFile("Kaleidon.ini")).Value("DirectoryBuf", "PathSpan2"), std::nullopt);
}
