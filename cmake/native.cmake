# Native Linux build: the logic against the test double, the artwork generator,
# the unit tests and the scene's drawing benchmark.
enable_testing()
find_package(GTest REQUIRED)
find_package(JPEG REQUIRED)

file(GLOB EXITBUTTON_FAKE_SOURCES CONFIGURE_DEPENDS src/platform/fake/*.cpp)
add_library(exitbutton_fake STATIC ${EXITBUTTON_FAKE_SOURCES})
target_link_libraries(exitbutton_fake PUBLIC exitbutton_logic)
exitbutton_warnings(exitbutton_fake)

if(EXISTS ${CMAKE_SOURCE_DIR}/tools/artgen/CMakeLists.txt)
  add_subdirectory(tools/artgen)
endif()

file(GLOB EXITBUTTON_UNIT_TESTS CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit_tests ${EXITBUTTON_UNIT_TESTS})
target_link_libraries(unit_tests PRIVATE exitbutton_fake GTest::gtest_main)
if(TARGET artgen_lib)
  target_link_libraries(unit_tests PRIVATE artgen_lib)
endif()
target_compile_definitions(unit_tests PRIVATE EXITBUTTON_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
exitbutton_warnings(unit_tests)
include(GoogleTest)
gtest_discover_tests(unit_tests)

# The scene's drawing time at the common display scales; it only reports.
add_executable(scene_bench bench/scene_bench.cpp)
target_link_libraries(scene_bench PRIVATE exitbutton_logic)
exitbutton_warnings(scene_bench)
