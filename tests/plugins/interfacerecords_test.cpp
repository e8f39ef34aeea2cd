// The records the program hands to code that is not its own (image plug-ins,
// the shell's notification area) have the layout each target's outside code
// was built for. Both targets compile every record; the row of the target
// that runs here is checked against what this build made of the record, and
// the rows are checked against each other.
#include <gtest/gtest.h>

#include <cstddef>

#include "plugins/spilibrary.h"
#include "tray/trayicon.h"

using namespace kaleidon;

namespace {

struct RecordRow {
  const char* record;
  size_t built;  // in this build
  size_t x86;    // in the shipped 32-bit program
  size_t x64;    // in the x86-64 build
};

const RecordRow kRecords[] = {
    {"picture information", sizeof(SPIPictureInfo), 26, 30},
    {"picture information: text handle at", offsetof(SPIPictureInfo, info), 22, 22},
    {"notification record (wide, classic)", TTrayIcon::kIconDataSize, 152, 168},
    {"notification record: tip at", offsetof(NOTIFYICONDATAW, szTip), 24, 40},
    {"notification record (ANSI, classic)", NOTIFYICONDATAA_V1_SIZE, 88, 104},
};

TEST(InterfaceRecords, EachTargetHasTheLayoutItsOutsideCodeExpects) {
  const bool x86 = sizeof(void*) == 4;
  for (const RecordRow& row : kRecords) {
    SCOPED_TRACE(row.record);
    EXPECT_EQ(row.built, x86 ? row.x86 : row.x64);
  }
  // The plug-in record is byte-packed: the fields before the handle lie
  // alike on both targets, and only the handle grows.
  EXPECT_EQ(kRecords[1].x86, kRecords[1].x64);
  EXPECT_EQ(kRecords[0].x64 - kRecords[0].x86, 8u - 4u);
  // The notification record's tip keeps its 64 characters on both.
  EXPECT_EQ(kRecords[2].x86 - kRecords[3].x86, 64 * sizeof(wchar_t));
  EXPECT_EQ(kRecords[2].x64 - kRecords[3].x64, 64 * sizeof(wchar_t));
}

}  // namespace
