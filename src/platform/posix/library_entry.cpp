// The POSIX counterpart of the library's entry point: the loader runs these when the
// library is loaded into and unloaded from a process.
#include "entry/entry.h"

namespace {

__attribute__((constructor)) void OnLoad() {
  fv::entry::LibraryAttach();
}
__attribute__((destructor)) void OnUnload() {
  fv::entry::LibraryDetach();
}

}  // namespace
