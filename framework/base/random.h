#pragma once
// The program's one pseudo-random generator.
#include <cstdint>

namespace framework {

void Randomize();                 // seeds from the clock
void SetRandomSeed(uint32_t seed);
int Random(int n);                // uniform in 0..n-1; 0 when n <= 0

}  // namespace framework
