#include "framework/base/random.h"

#include <windows.h>

#include <random>

namespace framework {

namespace {
std::mt19937& Generator() {
  static std::mt19937 generator(12345u);
  return generator;
}
}  // namespace

void Randomize() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  SetRandomSeed(static_cast<uint32_t>(now.QuadPart ^ (now.QuadPart >> 32) ^ GetTickCount()));
}

void SetRandomSeed(uint32_t seed) { Generator().seed(seed); }

int Random(int n) {
  if (n <= 0) return 0;
  return std::uniform_int_distribution<int>(0, n - 1)(Generator());
}

}  // namespace framework
