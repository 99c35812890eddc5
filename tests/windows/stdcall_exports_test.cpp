// The six exports as a 32-bit Windows host calls them: found with GetProcAddress under
// their plain names and called __stdcall, the callee removing its arguments from the
// stack. A function built with another convention would leave the stack pointer moved.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "TestHost.h"

namespace fv::testing {
namespace {

struct CallResult {
  int32_t stackDrift;  // how far the stack pointer moved over the call
  uint32_t value;      // what the function returned in eax
};

// Pushes `count` arguments (the last first, as stdcall and cdecl both do) and calls `fn`.
__attribute__((noinline)) CallResult CallPushingArguments(FARPROC fn, const uint32_t* arguments,
                                                          uint32_t count) {
  CallResult result{};
  uint32_t value = 0;
  asm volatile(
      "movl %[fn], %%eax\n\t"
      "movl %[count], %%ecx\n\t"
      "movl %%esp, %%esi\n\t"
      "1:\n\t"
      "testl %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "decl %%ecx\n\t"
      "pushl (%[arguments],%%ecx,4)\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "call *%%eax\n\t"
      "movl %%esp, %[drift]\n\t"
      "subl %%esi, %[drift]\n\t"
      "movl %%esi, %%esp\n\t"
      "movl %%eax, %[value]\n\t"
      : [drift] "=&r"(result.stackDrift), [value] "=m"(value)
      : [fn] "m"(fn), [arguments] "r"(arguments), [count] "m"(count)
      : "eax", "ecx", "edx", "esi", "memory", "cc");
  result.value = value;
  return result;
}

TEST(StdcallExports, EachRemovesItsOwnArguments) {
  TestHost host;
  TempFolder folder;
  HMODULE library = LoadLibraryA("Folivex.dll");
  ASSERT_NE(library, nullptr);
  TConvertRange range{1, 0, 0};
  const std::string missing = folder / "missing.doc";
  const std::string out = folder / "out";
  struct Case {
    const char* name;
    std::vector<uint32_t> arguments;
    bool checkValue;
    uint32_t value;
  } cases[] = {
      {"FV_Initialization", {reinterpret_cast<uintptr_t>(host.Window())}, false, 0},
      {"FV_Set_SavePath", {reinterpret_cast<uintptr_t>(out.c_str())}, true, 1},
      {"FV_Set_FirstChar", {reinterpret_cast<uintptr_t>("p")}, false, 0},
      {"FV_Set_StartPageNumber", {7}, false, 0},
      {"FV_Set_Progress_Style", {0x0000FF, 0xFFFFFF, 0xFF0000, 0}, false, 0},
      {"FV_LoadFile",
       {reinterpret_cast<uintptr_t>(missing.c_str()), reinterpret_cast<uintptr_t>(&range)},
       true,
       0},
  };
  for (const Case& c : cases) {
    const FARPROC fn = GetProcAddress(library, c.name);
    ASSERT_NE(fn, nullptr) << c.name;
    const CallResult result =
        CallPushingArguments(fn, c.arguments.data(), static_cast<uint32_t>(c.arguments.size()));
    EXPECT_EQ(result.stackDrift, 0) << c.name << " left its arguments on the stack";
    if (c.checkValue) {
      EXPECT_EQ(result.value, c.value) << c.name;
    }
  }
  // The decorated names of the same functions are not exported.
  EXPECT_EQ(GetProcAddress(library, "FV_LoadFile@8"), nullptr);
  EXPECT_EQ(GetProcAddress(library, "_FV_LoadFile@8"), nullptr);
  FreeLibrary(library);
}

TEST(StdcallExports, RangeRecordIsTwelveBytes) {
  EXPECT_EQ(sizeof(TConvertRange), 12u);
  EXPECT_EQ(offsetof(TConvertRange, PerPage), 0u);
  EXPECT_EQ(offsetof(TConvertRange, FromPage), 4u);
  EXPECT_EQ(offsetof(TConvertRange, ToPage), 8u);
}

}  // namespace
}  // namespace fv::testing
