// The choice of instruction level: the best level this build holds that the processor
// reports, once. ZEDARE_ISA in the environment (portable, v2 or v3) caps it, so that a
// lower level's code can be run and timed on a machine that has a higher one.
#include "board/isa.h"

#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#endif

namespace zedare {

namespace {

bool built(IsaLevel level) {
  switch (level) {
    case IsaLevel::Portable:
      return true;
    case IsaLevel::V2:
#ifdef ZEDARE_ISA_V2_BUILT
      return true;
#else
      return false;
#endif
    case IsaLevel::V3:
#ifdef ZEDARE_ISA_V3_BUILT
      return true;
#else
      return false;
#endif
  }
  return false;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// LZCNT (CPUID 0x80000001, ECX bit 5), read directly: not every compiler's
// __builtin_cpu_supports knows it.
bool hasLzcnt() {
  unsigned a, b, c, d;
  return __get_cpuid(0x80000001, &a, &b, &c, &d) && (c & (1u << 5));
}
#endif

bool processorRuns(IsaLevel level) {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  __builtin_cpu_init();
  const bool v2 = __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("sse4.2");
  // The processor's AVX2 counts only when the system saves the 256-bit registers, which
  // the compiler's test includes.
  const bool v3 = v2 && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                  __builtin_cpu_supports("bmi2") && hasLzcnt();
  switch (level) {
    case IsaLevel::Portable:
      return true;
    case IsaLevel::V2:
      return v2;
    case IsaLevel::V3:
      return v3;
  }
  return false;
#else
  return level == IsaLevel::Portable;
#endif
}

IsaLevel choose() {
  IsaLevel cap = IsaLevel::V3;
  if (const char* asked = std::getenv("ZEDARE_ISA")) {
    if (!std::strcmp(asked, "portable"))
      cap = IsaLevel::Portable;
    else if (!std::strcmp(asked, "v2"))
      cap = IsaLevel::V2;
  }
  if (cap == IsaLevel::V3 && levelRuns(IsaLevel::V3)) return IsaLevel::V3;
  if (cap != IsaLevel::Portable && levelRuns(IsaLevel::V2)) return IsaLevel::V2;
  return IsaLevel::Portable;
}

}  // namespace

bool levelRuns(IsaLevel level) {
  return built(level) && processorRuns(level);
}

IsaLevel chosenLevel() {
  static const IsaLevel level = choose();
  return level;
}

const char* levelName(IsaLevel level) {
  switch (level) {
    case IsaLevel::V2:
      return "v2";
    case IsaLevel::V3:
      return "v3";
    default:
      return "portable";
  }
}

}  // namespace zedare
