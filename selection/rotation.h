#pragma once
// Folder rotation: before each change the wallpaper moves to one of the
// remembered folders, drawn at random; within one pass every filled slot has
// its turn once, and a folder whose pictures have all been shown is passed
// over until every remembered folder is in that state. The pass lives in the
// settings file's sections SelectedDirectorys and AllFilesSelectedDirectorys
// (Directory<n> = folder of slot n), so it survives restarts.
#include <cstdint>
#include <vector>

#include "selection/foldermemory.h"
#include "selection/timespan.h"

namespace kaleidon {

// Whether slot may be used now; records the slot in the pass of the settings
// file as it decides, in one replacement of the file. Reads the slot paths
// from the table, rows 1..slotCount. inTime: the slots the time of day
// allows (SlotsInTime; empty: all); the pass is through when each of their
// folders has had its turn.
bool IsFolderSelectable(const SlotTable& table, int slotCount, uint8_t slot, framework::IniFile& settings,
                        const std::vector<int>& inTime = {});

// The slots of the table (rows 1..slotCount) as the clock sees them.
std::vector<SlotTime> SlotTimes(const SlotTable& table, int slotCount);

// The rotation step of a change: with folder memory in use, draws a slot
// that may be used (with two or more slots) among those whose folder's time
// span holds the time of day (any when none does), makes it the current
// slot and recalls its folder.
void RotateFolder(FolderMemory& memory);

}  // namespace kaleidon
