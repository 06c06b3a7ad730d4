# Windows build (MinGW-w64 cross or native MSVC): the gadget and the test inspector.
enable_testing()

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
if(NOT MSVC)
  # One self-contained exe: the C++ runtime linked in, no time stamp in the header;
  # movable (ASLR, relocations kept) and DEP-compatible.
  add_link_options(-static -static-libgcc -static-libstdc++ -municode -Wl,--no-insert-timestamp
                   -Wl,--gc-sections -Wl,--dynamicbase -Wl,--nxcompat -Wl,--enable-reloc-section
                   $<$<EQUAL:${CMAKE_SIZEOF_VOID_P},8>:-Wl,--high-entropy-va>)
  add_compile_options(-ffunction-sections -fdata-sections)
  # No source or build path reaches the objects (assertions, __FILE__): every
  # build tree of the same sources makes the same exe, the one the tests ran
  # and the release archive's alike. The build tree's map comes last, so it
  # wins when the build tree lies in the source tree.
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
endif()

# The .rc is UTF-8 (its Russian version strings).
enable_language(RC)
if(MSVC)
  string(APPEND CMAKE_RC_FLAGS " /c65001")
else()
  string(APPEND CMAKE_RC_FLAGS " -c 65001")
endif()

# The Win32 layer as a library, so that benchmarks measure the product's own code.
file(GLOB EXITBUTTON_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
add_library(exitbutton_win32 STATIC ${EXITBUTTON_WIN32_SOURCES})
# comctl32, ole32 and shell32 are loaded when first needed, never imported.
target_link_libraries(exitbutton_win32 PUBLIC exitbutton_logic gdi32 user32 windowscodecs uuid advapi32)
exitbutton_warnings(exitbutton_win32)

# The start-up on Windows, shared by the exe and the test driver that runs it.
add_library(exitbutton_start STATIC src/app/run_program.cpp)
target_link_libraries(exitbutton_start PUBLIC exitbutton_win32)
exitbutton_warnings(exitbutton_start)

add_executable(exitbutton WIN32 src/app/winmain.cpp src/assets/exitbutton.rc)
target_link_libraries(exitbutton PRIVATE exitbutton_start)
exitbutton_warnings(exitbutton)
# windres looks for the pictures named in the .rc along the include path; the
# resources are compiled again whenever the artwork is generated anew.
target_include_directories(exitbutton PRIVATE src/assets)
file(GLOB EXITBUTTON_ART CONFIGURE_DEPENDS src/assets/art/* src/assets/*.rc src/assets/*.h
     src/assets/exitbutton.manifest)
set_source_files_properties(src/assets/exitbutton.rc PROPERTIES OBJECT_DEPENDS "${EXITBUTTON_ART}")
if(NOT MSVC)
  target_link_options(exitbutton PRIVATE -s)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
  add_subdirectory(tests/e2e)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()
