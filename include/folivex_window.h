/* The windowing services a host of Folivex uses on POSIX systems, in the shape of their
 * Windows counterparts: windows identified by a handle, messages sent synchronously to a
 * window procedure or posted to a queue, the Yes/No/Cancel message box, and the clipboard.
 * All of it is for one thread: the one that creates the windows and calls the library. */
#ifndef FOLIVEX_WINDOW_H
#define FOLIVEX_WINDOW_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct fvw_window* HWND;
typedef unsigned int UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef LRESULT (*WNDPROC)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* Creates a window whose messages go to `procedure`; `userData` stays with it. */
HWND fvw_CreateWindow(WNDPROC procedure, void* userData);
/* Returns the userData given at creation, or null for a handle that names no window. */
void* fvw_GetWindowData(HWND window);
/* Destroys the window; later messages to its handle go nowhere. Returns 1, or 0 for a
 * handle that names no window. */
int fvw_DestroyWindow(HWND window);
/* Calls the window's procedure at once and returns what it returns; 0 without a call
 * when the handle names no window. */
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* Queues the message for the window; 0 when the handle names no window. */
int PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* Delivers every queued message, including those posted meanwhile; returns how many. */
int fvw_DispatchPostedMessages(void);

/* Message box: flags and answers as on Windows. */
#define MB_YESNOCANCEL 0x00000003u
#define MB_ICONQUESTION 0x00000020u
#define MB_TASKMODAL 0x00002000u
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7
/* A host may answer message boxes itself; return IDYES, IDNO or IDCANCEL. */
typedef int (*fvw_MessageBoxHook)(const char* text, const char* caption, UINT flags, void* context);
void fvw_SetMessageBoxHook(fvw_MessageBoxHook hook, void* context);
/* The answer comes from the hook, else from FOLIVEX_CHECK_ANSWER (yes, no, cancel), else
 * from a prompt when stdin and stderr are terminals, else it is IDYES at once, with the
 * box written to stderr. It never waits for an answer that cannot come. */
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT flags);

/* Clipboard: one slot shared by everyone in the process, holding one object at a time.
 * OpenClipboard fails while another owner holds it open. */
int OpenClipboard(HWND owner);
int CloseClipboard(void);
/* Requires the clipboard to be open; releases what it held. */
int EmptyClipboard(void);
/* Puts an object in the slot (releasing what it held), to be released with `release`;
 * `format` names what it is. Works without opening the clipboard, as a word processor's
 * copy does. */
void fvw_SetClipboardObject(const char* format, void* object, void (*release)(void*));
/* The object in the slot when its format is `format`, else null; the slot keeps it. */
void* fvw_GetClipboardObject(const char* format);

#ifdef __cplusplus
}
#endif

#endif
