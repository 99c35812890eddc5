// What the library does when the system loads it into a process and unloads it.
#pragma once

namespace fv::entry {

// Creates the controller (and with it the hidden progress window) and enters the loading
// thread's apartment.
void LibraryAttach();
// Destroys the controller and the window and leaves the apartment.
void LibraryDetach();

}  // namespace fv::entry
