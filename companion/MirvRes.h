/*
 * MirvRes: the companion library of the fare board program.
 *
 * A plain C interface. Texts are NUL-terminated code page 932 strings; a text
 * argument that is not const may be rewritten in place by the callee, and the
 * caller copies it back. Window arguments are opaque handles (the QWidget* of
 * the window).
 */
#ifndef MIRVRES_H
#define MIRVRES_H

#include <stdint.h>

#if defined(MIRVRES_BUILD)
#define MIRVRES_API __attribute__((visibility("default")))
#else
#define MIRVRES_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef void* MrvWindow;

/* Length of text in bytes (a double-byte character counts 2). */
MIRVRES_API int32_t LenB_ASCII(const char* text);

/*
 * Replaces text with the piece of at most length bytes that starts at the
 * 1-based byte position start, and returns the piece's byte count. The piece
 * may begin or end in the middle of a double-byte character. A start past the
 * end, or a length of 0 or less, gives an empty piece; a start below 1 is
 * read as 1.
 */
MIRVRES_API int32_t MidB_ASCII(char* text, int32_t start, int32_t length);

/*
 * Writes "<system name> <release>" into buffer (at most size bytes including
 * the NUL) and returns the full length of that text, as snprintf does.
 */
MIRVRES_API int32_t GetOsInfo(char* buffer, int32_t size);

/*
 * The digit-options dialog for one digit cell of keta positions. On entry the
 * three values hold the cell's options; on OK they hold the edited ones.
 * Returns 1 for OK with "apply to every cell" ticked, 2 for OK for this cell
 * only, 0 for cancel (the values are then handed back unchanged).
 */
MIRVRES_API int32_t Call_dlg100(MrvWindow control, int16_t keta, int16_t* zeroMode, int16_t* shift,
                                int16_t* fillZero);

/* Shows a multi-line information text and returns when it is closed. */
MIRVRES_API int32_t Call_dlg110(MrvWindow owner, int32_t flag, char* text);

#ifdef __cplusplus
}
#endif

#endif
