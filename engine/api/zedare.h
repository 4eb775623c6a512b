// The engine's exported C interface: six functions under plain names, one opaque
// handle, 32-bit integers and C strings. The desktop application loads the library
// by name at run time and binds these by name; nothing else crosses the boundary.
//
// Bad arguments are refused rather than trusted: a null handle, a square outside
// 1..8 or a colour other than +1/-1 where one is needed makes the call return 0 and
// change nothing, and no C++ exception ever leaves these functions.
#ifndef ZEDARE_API_ZEDARE_H
#define ZEDARE_API_ZEDARE_H

#include <stdint.h>

#if defined(ZEDARE_BUILDING)
#define ZEDARE_EXPORT __attribute__((visibility("default")))
#else
#define ZEDARE_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef void* ZedareHandle;

ZEDARE_EXPORT ZedareHandle TavrinCreate(void);
ZEDARE_EXPORT void TavrinDestroy(ZedareHandle engine);
ZEDARE_EXPORT int32_t TavrinInst(ZedareHandle engine, uint32_t code, int32_t a, int32_t b);
ZEDARE_EXPORT int32_t TavrinInst_p0(ZedareHandle engine, uint32_t code, int32_t row, int32_t column,
                                    int32_t colour);
ZEDARE_EXPORT int32_t TavrinInst_pp(ZedareHandle engine, uint32_t code);
// Code 0 loads the game record from `path`, code 1 saves it there. The result is 1 when
// the file was loaded or written, 0 when not (the record is then left as it was).
ZEDARE_EXPORT int32_t TavrinFile_pp(ZedareHandle engine, uint32_t code, const char* path);

#ifdef __cplusplus
}
#endif

#endif
