// Scripting interface of the stand-in engine library (stand_in_engine.cpp). The tests
// reach it through dlsym on the very library the window loaded, so the answers they
// script are the ones the window gets.
#ifndef TAVRIN_TESTS_STAND_IN_H
#define TAVRIN_TESTS_STAND_IN_H

#include <stdint.h>

#define STAND_IN_EXPORT __attribute__((visibility("default")))

// Which dispatcher an answer is for.
// File answers (TavrinFile_pp) are 1, the file was loaded or saved, unless scripted.
enum { kStandInInst = 0, kStandInP0 = 1, kStandInPp = 2, kStandInFile = 3 };

#ifdef __cplusplus
extern "C" {
#endif

// Forgets the log and every scripted answer; the calling thread becomes the one whose
// calls are logged without the "w:" prefix.
STAND_IN_EXPORT void StandInReset(void);
// The answer to every later call of (function, code), unless one is queued.
STAND_IN_EXPORT void StandInSetAnswer(int function, uint32_t code, int32_t value);
// An answer for one call only; queued answers are used first, in order.
STAND_IN_EXPORT void StandInQueueAnswer(int function, uint32_t code, int32_t value);
// Square contents for p0 codes 0 and 1, and the colour (or 0) that may play there (code 2).
STAND_IN_EXPORT void StandInSetSquare(int32_t row, int32_t column, int32_t colour, int32_t state,
                                      int32_t legalFor);
// Codes 14/15 with b = 0 and code 16 hold until code 26 / 28 clears their flag. Code 16
// raises its flag raiseDelayMs after it is entered and, once stopped, waits lingerMs
// more before it returns.
STAND_IN_EXPORT void StandInSetBlocking(int search, int thinking, int lingerMs, int raiseDelayMs);
// Code 30 with this style number calls the process's TavrinMatrixErrorHook.
STAND_IN_EXPORT void StandInFailStyle(int32_t style);
STAND_IN_EXPORT void StandInClearLog(void);
STAND_IN_EXPORT int StandInLogSize(void);
STAND_IN_EXPORT int StandInLogEntry(int index, char* buffer, int size);

#ifdef __cplusplus
}
#endif

#endif
