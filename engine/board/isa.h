// Instruction levels: the hot code of the search and the evaluation is compiled once per
// level, and the level the processor runs is chosen once, when first asked.
//
//   portable  x86-64 as every such processor has it (SSE2): every build runs it
//   v2        POPCNT and SSE4.2 (x86-64-v2): one instruction per bit count and rounding
//   v3        AVX2, BMI, BMI2 and LZCNT on top of v2 (x86-64-v3, without FMA, which would
//             round the evaluation's sums differently)
//
// Every level gives exactly the same moves, values and counts; only the speed differs.
//
// How a file is compiled once per level: engine/CMakeLists.txt lists it in
// ZEDARE_LEVEL_SOURCES, which compiles it with each level's flags and ZEDARE_ISA_LEVEL set
// to the level's number. Its code sits between ZEDARE_ISA_BEGIN and ZEDARE_ISA_END, an
// inline namespace named after the level, so that the copies of each level keep apart
// under the linker (an inline function compiled with AVX2 must never stand in for the
// portable one). Headers of inline kernels do the same. Everything else is compiled once,
// at the portable level. Inside a level's files calls stay within the level (level::...);
// the rest of the engine reaches a level's functions through its tables (EvalEntries,
// SearchEntries), filled by each level's copy and picked in search/levels.cpp by
// chosenLevel().
#ifndef ZEDARE_BOARD_ISA_H
#define ZEDARE_BOARD_ISA_H

#ifndef ZEDARE_ISA_LEVEL
#define ZEDARE_ISA_LEVEL 0
#endif

#if ZEDARE_ISA_LEVEL == 3
#if !defined(__AVX2__) || !defined(__BMI2__) || !defined(__LZCNT__) || !defined(__POPCNT__)
#error "level 3 objects are compiled with AVX2, BMI2, LZCNT and POPCNT"
#endif
#define ZEDARE_ISA_NS isa_v3
#elif ZEDARE_ISA_LEVEL == 2
#if !defined(__POPCNT__) || !defined(__SSE4_2__) || defined(__AVX2__)
#error "level 2 objects are compiled with POPCNT and SSE4.2, without AVX2"
#endif
#define ZEDARE_ISA_NS isa_v2
#elif ZEDARE_ISA_LEVEL == 0
#if defined(__POPCNT__) || defined(__SSE4_1__) || defined(__AVX__)
#error "portable objects are compiled for plain x86-64 (no -march or -m flags above SSE2)"
#endif
#define ZEDARE_ISA_NS isa_portable
#else
#error "ZEDARE_ISA_LEVEL is 0, 2 or 3"
#endif

#define ZEDARE_ISA_BEGIN inline namespace ZEDARE_ISA_NS {
#define ZEDARE_ISA_END }
// name_isa_v3 and so on: a name of the level's own outside its namespace (the tables of
// entries, which the portable code declares for every level the build holds).
#define ZEDARE_ISA_CONCAT(a, b) a##_##b
#define ZEDARE_ISA_PASTE(a, b) ZEDARE_ISA_CONCAT(a, b)
#define ZEDARE_ISA_NAME(name) ZEDARE_ISA_PASTE(name, ZEDARE_ISA_NS)

#include <type_traits>

namespace zedare {

enum class IsaLevel { Portable = 0, V2 = 2, V3 = 3 };

// The best level that this build holds and this processor runs; found once.
IsaLevel chosenLevel();
// Whether this build holds a level's code and the processor runs it.
bool levelRuns(IsaLevel level);
const char* levelName(IsaLevel level);

// A module's table of entries for `level`, from those of the levels this build holds
// (nullptr for one it lacks); the portable table for any other level.
template <class Entries>
const Entries& levelTable(IsaLevel level, const Entries& portable,
                          std::type_identity_t<const Entries*> v2,
                          std::type_identity_t<const Entries*> v3) {
  if (level == IsaLevel::V3 && v3) return *v3;
  if (level == IsaLevel::V2 && v2) return *v2;
  return portable;
}

}  // namespace zedare

#endif
