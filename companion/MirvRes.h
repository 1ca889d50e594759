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

/*
 * Picker results are written into the caller's buffer of resultSize bytes
 * (NUL included). The return value is the byte length of the full result, as
 * snprintf counts it: when it is resultSize or more the result did not fit
 * and the buffer holds an empty text. 0 means cancelled. Paths are offered
 * only when code page 932 can hold them; the pickers refuse any other.
 */

/*
 * Lets the user pick an existing file. filter holds description/pattern
 * pairs, each NUL-terminated, closed by an empty description (an extra NUL);
 * a pattern may list several wildcards separated by ';'. Patterns match
 * regardless of letter case. initial is a folder or file to start in (may be
 * empty or NULL). flags is reserved and must be 0.
 */
MIRVRES_API int32_t KelFileDlg(MrvWindow owner, int32_t flags, const char* filter, const char* initial,
                               const char* title, char* result, int32_t resultSize);

/* Lets the user pick a folder. */
MIRVRES_API int32_t KelFolderDlg(MrvWindow owner, const char* title, char* result, int32_t resultSize);

/*
 * Colour chooser. colour (0x00BBGGRR) is the starting colour and receives the
 * chosen one. custColors points to a table of 17 colours: entries 0 to 15 are
 * the chooser's custom colours, edited in place; entry 16 is kept as it is.
 * Returns 1 when a colour was chosen, 0 when cancelled (nothing changes).
 */
MIRVRES_API int32_t KelChooseColor(MrvWindow owner, int32_t* colour, int32_t* custColors);

/* Eight 16-bit fields; dayOfWeek counts from 0 = Sunday. */
typedef struct MrvDate
{
    int16_t year;
    int16_t month;
    int16_t dayOfWeek;
    int16_t day;
    int16_t hour;
    int16_t minute;
    int16_t second;
    int16_t millisecond;
} MrvDate;

/*
 * Calendar. The calendar opens on the date in record, or on today when the
 * record holds no valid date. Returns 1 when a date was chosen, with year,
 * month, dayOfWeek and day set and the time fields untouched; 0 when
 * cancelled (nothing changes).
 */
MIRVRES_API int32_t Call_dlg111(MrvWindow owner, MrvDate* record);

/* --- numbered-ticket plug-ins ("*.4SP", see docs/plugin-format.md) --------- */

/* What a plug-in declares. Fourteen little-endian 32-bit fields, 56 bytes. */
typedef struct PlgInfo
{
    int32_t nHeadValue;
    int32_t nPrevWidth;  /* ticket size in pixels */
    int32_t nPrevHeight;
    int32_t nCanDate;    /* 1 = prints it; any other value = does not */
    int32_t nCanTime;
    int32_t nCanKeito;
    int32_t nCanTeimei;
    int32_t nCanBarcode;
    int32_t nBarcodeCount;
    int32_t nKeitoMax;
    int32_t nBarcodeKeitoMode; /* 1 = serial numbering, 0 or 2 = route number and round-trip flag */
    int32_t nStopFrom;
    int32_t nStopTo;
    int32_t nCorpCount;  /* number of company names; 0 = no switching */
} PlgInfo;

/*
 * Returns 1 and fills info when path is a valid plug-in; otherwise returns 0
 * and leaves info as it was.
 */
MIRVRES_API int32_t Mrv_GetPlgInfo(const char* path, PlgInfo* info);

/*
 * Writes the plug-in's notes into textBox (a QPlainTextEdit, QTextEdit or
 * QLineEdit). Returns 1 when written; 0 leaves the box untouched.
 */
MIRVRES_API int32_t Mrv_SetPlgComment(const char* path, MrvWindow textBox);

/*
 * Adds the plug-in's company names to combo (a QComboBox) without clearing
 * it. Returns the number of names added; a plug-in without company switching
 * adds none.
 */
MIRVRES_API int32_t Mrv_SetCorpAddList(const char* path, MrvWindow combo);

/* A device context here is the QPainter* to draw with. */
typedef void* MrvPainter;

/*
 * Draws the ticket with its upper left corner at the painter's origin, in the
 * plug-in's size. stopName may be shortened in place when the plug-in limits
 * its length (never lengthened); date is not changed. date is "mm-dd-yyyy"
 * or "yyyy/mm/dd", time "hh:mm:ss"; other texts are printed as given.
 * companyIndex picks the company name (out of range: the first). Returns 1
 * when drawn, 0 when the file is not a valid plug-in (nothing drawn).
 */
MIRVRES_API int32_t Mrv_DrawSeiriken(const char* path, MrvPainter painter, char* stopName, char* date,
                                     const char* time, int32_t routeNumber, int16_t ticketNumber,
                                     int16_t stopIndex, int32_t companyIndex);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(PlgInfo) == 56, "PlgInfo is fourteen 32-bit fields");
static_assert(sizeof(MrvDate) == 16, "MrvDate is eight 16-bit fields");
#endif

#endif
