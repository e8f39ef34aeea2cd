#pragma once
// The image plug-ins of the run, set up before anything lists a folder.
#include <memory>

namespace kaleidon {

class TSPIs;

// The plug-ins found beside the program, in the image viewer Susie's plug-in
// folder and in the system folder: their formats are pictures from now on
// (JPEG stays the JPEG library's). A plug-in set aside later is said.
std::unique_ptr<TSPIs> SetUpPlugins();

}  // namespace kaleidon
