# The Windows build of the library (included from src/CMakeLists.txt): the 32-bit
# Folivex.dll with the six exports __stdcall under their plain names, over the Win32
# services of this folder and the Word client of automation/word.
set(FOLIVEX_WIN32_LIBRARIES user32 gdi32 advapi32 ole32 oleaut32 uuid)

# Variants and OLE strings: shared by the library and the test automation server.
add_library(folivex-variant STATIC automation/Variant.cpp platform/win32/text.cpp)
target_include_directories(folivex-variant PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(folivex-variant PUBLIC ${FOLIVEX_WIN32_LIBRARIES})
folivex_warnings(folivex-variant)

# Everything of the library but its entry points, so that tests can drive the units.
file(GLOB FOLIVEX_CORE_SOURCES CONFIGURE_DEPENDS
  controller/*.cpp environment/*.cpp word/*.cpp progress/*.cpp automation/*.cpp
  automation/word/*.cpp platform/win32/*.cpp)
list(FILTER FOLIVEX_CORE_SOURCES EXCLUDE REGEX "library_entry\\.cpp$|Variant\\.cpp$|win32/text\\.cpp$")
add_library(folivex-core STATIC ${FOLIVEX_CORE_SOURCES})
target_include_directories(folivex-core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}
                                               ${PROJECT_SOURCE_DIR}/include)
# The library's own units see the host's header without <windows.h>: its macros would
# clash with the automation layer's constants. Only platform/win32 includes it.
target_compile_definitions(folivex-core PRIVATE FOLIVEX_NO_WINDOWS_H)
target_link_libraries(folivex-core PUBLIC folivex-variant ${FOLIVEX_WIN32_LIBRARIES})
folivex_warnings(folivex-core)
# The progress window's captions, in the ANSI code page they were written for: Simplified
# Chinese (936), as the library's narrow text is the system's code page.
set_source_files_properties(progress/UnitProgress.cpp PROPERTIES COMPILE_OPTIONS -fexec-charset=CP936)

# The library a host loads. Folivex.def names the six exports and binds each to its
# stdcall symbol (name@bytes of arguments), so a changed signature fails the link.
add_library(folivex SHARED entry/entry.cpp entry/exports.cpp platform/win32/library_entry.cpp
                           platform/win32/Folivex.def)
target_compile_definitions(folivex PRIVATE FOLIVEX_NO_WINDOWS_H [[FV_EXPORT=extern "C"]])
target_link_libraries(folivex PRIVATE folivex-core)
target_link_options(folivex PRIVATE -Wl,--no-undefined)
set_target_properties(folivex PROPERTIES OUTPUT_NAME Folivex PREFIX "" IMPORT_PREFIX ""
                                         LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/win32/Folivex.def)
folivex_warnings(folivex)
