#include <gtest/gtest.h>

#include "plugins/spihost.h"
#include "support/program.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The image plug-ins run in the built program, started as their host.
  kaleidon::SetSPIHostProgram(BuiltProgramPath());
  return RUN_ALL_TESTS();
}
