// The library as a host loads it: loading and unloading it puts nothing on a desktop and
// prints nothing, with no display at all and with one.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include "Captured.h"
#include "XServer.h"

namespace {

using fv::testing::Captured;
using fv::testing::XServer;

using SetProgressStyle = void (*)(int, int, int, int);

// Loads the library, recolours the progress window as a host may before any conversion,
// and unloads it. Returns whether the load worked and the unload really unloaded.
bool LoadStyleUnload() {
  void* library = dlopen(FOLIVEX_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  if (!library) return false;
  auto style = reinterpret_cast<SetProgressStyle>(dlsym(library, "FV_Set_Progress_Style"));
  if (style) style(0x0000FF, 0xFFFFFF, 0xFF0000, 0x000000);
  dlclose(library);
  void* still = dlopen(FOLIVEX_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD);
  if (still) dlclose(still);
  return style && !still;
}

TEST(LibraryWithoutDisplay, LoadsAndUnloadsSilently) {
  unsetenv("DISPLAY");
  bool worked = false;
  const std::string printed = Captured([&] { worked = LoadStyleUnload(); });
  EXPECT_TRUE(worked) << dlerror();
  EXPECT_EQ(printed, "");
}

TEST(LibraryOnADisplay, LoadingAndUnloadingPutsNothingOnTheDesktop) {
  XServer server;
  ASSERT_TRUE(server.Running()) << "Xvfb did not start";
  setenv("DISPLAY", server.Name().c_str(), 1);
  Display* display = server.Connection();
  // Any window the library made, mapped or not, would be a new child of the root.
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, True);

  bool worked = false;
  const std::string printed = Captured([&] { worked = LoadStyleUnload(); });
  unsetenv("DISPLAY");
  EXPECT_TRUE(worked);
  EXPECT_EQ(printed, "");
  XSync(display, False);
  XEvent event;
  EXPECT_FALSE(XCheckTypedEvent(display, CreateNotify, &event))
      << "the library made a window without being asked to show one";
}

}  // namespace
