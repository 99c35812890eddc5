/* Folivex: Word documents to HTML files, one file per document or per page.
 *
 * A host loads the library, names the window that receives WM_CONVERT_NOTIFY and
 * WM_CONVERT_ERROR, sets the output folder, the file-name prefix and the number of the
 * first file, and hands over one source file at a time with FV_LoadFile. */
#ifndef FOLIVEX_H
#define FOLIVEX_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(FOLIVEX_NO_WINDOWS_H)
/* The library's own units: the handle as <windows.h> declares it, without the rest. */
typedef struct HWND__* HWND;
#else
#include <windows.h>
#endif
#define FV_CALL __stdcall
#else
#include "folivex_window.h"
#define FV_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Sent to the host window. wParam 0: a file was written, lParam points to its full path
 * (valid only while the message is handled); 1: the conversion finished (lParam 1);
 * 0xFFFFFFFF: the conversion produced a failure result (lParam 0). */
#define WM_CONVERT_NOTIFY 2025
/* Sent to the host window with the failure code in wParam and 0 in lParam. */
#define WM_CONVERT_ERROR 2026

/* The host's page-range record, rewritten in place with the normalised bounds. */
typedef struct TConvertRange {
  int32_t PerPage;  /* 0: one file for the whole document; otherwise one file per page */
  int32_t FromPage; /* one bound, 1-based, inclusive; 0 or below: the start */
  int32_t ToPage;   /* the other bound; beyond the last page: the last page */
} TConvertRange;

#ifdef __cplusplus
static_assert(sizeof(TConvertRange) == 12, "TConvertRange is 12 bytes");
static_assert(offsetof(TConvertRange, FromPage) == 4, "FromPage at offset 4");
static_assert(offsetof(TConvertRange, ToPage) == 8, "ToPage at offset 8");
#else
typedef char fv_range_is_12_bytes[sizeof(TConvertRange) == 12 ? 1 : -1];
#endif

void FV_CALL FV_Initialization(HWND hostWindow);
int FV_CALL FV_Set_SavePath(const char* path);
void FV_CALL FV_Set_FirstChar(const char* prefix);
void FV_CALL FV_Set_StartPageNumber(int number);
void FV_CALL FV_Set_Progress_Style(int formColor, int gaugeBackColor, int gaugeForeColor,
                                   int labelColor);
int FV_CALL FV_LoadFile(const char* fileName, TConvertRange* range);

#ifdef __cplusplus
}
#endif

#endif
