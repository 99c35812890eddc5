/* A minimal host of Folivex: it loads the library at run time, creates the window that
 * receives the library's messages, sets the output folder, converts one document page by
 * page and prints every message as it arrives.
 *
 *   minimal-host DOCUMENT OUTPUT-FOLDER [LIBRARY]
 *
 * LIBRARY is the path of libfolivex (default: libfolivex.so.0 on the library search path).
 * Exit status: 0 when the document was converted, 1 otherwise. */
#include <dlfcn.h>
#include <stdio.h>

#include "folivex.h"

typedef void (*InitializationFn)(HWND);
typedef int (*SetSavePathFn)(const char*);
typedef void (*SetFirstCharFn)(const char*);
typedef void (*SetStartPageNumberFn)(int);
typedef int (*LoadFileFn)(const char*, TConvertRange*);

static int finished = 0;

/* Every message of the library arrives here, while FV_LoadFile runs. */
static LRESULT HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)window;
  if (message == WM_CONVERT_NOTIFY && wParam == 0) {
    /* The path is the library's only while this message is handled: copy it to keep it. */
    printf("written %s\n", (const char*)lParam);
  } else if (message == WM_CONVERT_NOTIFY) {
    finished = wParam == 1;
    printf("%s\n", finished ? "finished" : "nothing converted");
  } else if (message == WM_CONVERT_ERROR) {
    printf("error %d\n", (int)(int32_t)wParam);
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    fprintf(stderr, "usage: %s DOCUMENT OUTPUT-FOLDER [LIBRARY]\n", argv[0]);
    return 2;
  }
  void* library = dlopen(argc == 4 ? argv[3] : "libfolivex.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    fprintf(stderr, "cannot load the library: %s\n", dlerror());
    return 1;
  }
  /* A data pointer turned into a function pointer, as POSIX allows for dlsym. */
  InitializationFn initialization;
  SetSavePathFn setSavePath;
  SetFirstCharFn setFirstChar;
  SetStartPageNumberFn setStartPageNumber;
  LoadFileFn loadFile;
  *(void**)&initialization = dlsym(library, "FV_Initialization");
  *(void**)&setSavePath = dlsym(library, "FV_Set_SavePath");
  *(void**)&setFirstChar = dlsym(library, "FV_Set_FirstChar");
  *(void**)&setStartPageNumber = dlsym(library, "FV_Set_StartPageNumber");
  *(void**)&loadFile = dlsym(library, "FV_LoadFile");
  if (!initialization || !setSavePath || !setFirstChar || !setStartPageNumber || !loadFile) {
    fprintf(stderr, "the library lacks an export\n");
    dlclose(library);
    return 1;
  }

  HWND window = fvw_CreateWindow(HostProcedure, NULL);
  initialization(window);
  if (!setSavePath(argv[2])) {
    fprintf(stderr, "cannot make the output folder %s\n", argv[2]);
    dlclose(library);
    return 1;
  }
  setFirstChar("");
  setStartPageNumber(1);

  TConvertRange range = {1, 0, 0}; /* one file per page, every page */
  const int result = loadFile(argv[1], &range);
  printf("result %d, range record {%d, %d, %d}\n", result, (int)range.PerPage, (int)range.FromPage,
         (int)range.ToPage);

  dlclose(library);
  fvw_DestroyWindow(window);
  return result == 1 && finished ? 0 : 1;
}
