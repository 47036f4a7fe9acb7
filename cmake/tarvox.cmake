# tarvox_all: every library of the project, for the daemon, benchmarks and fuzzers.
add_library(tarvox_all INTERFACE)

# tarvox_library(<folder> [DEPS <lib>...]): one static library per source folder,
# built from every .cpp in it; headers are included as "<folder>/<file>.h".
function(tarvox_library folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(tarvox_${folder} STATIC ${sources})
    target_include_directories(tarvox_${folder} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
    target_link_libraries(tarvox_${folder} PUBLIC ${ARG_DEPS})
  else()
    # A folder of headers only.
    add_library(tarvox_${folder} INTERFACE)
    target_include_directories(tarvox_${folder} INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
    target_link_libraries(tarvox_${folder} INTERFACE ${ARG_DEPS})
  endif()
  target_link_libraries(tarvox_all INTERFACE tarvox_${folder})
endfunction()

# tarvox_tests(<folder> [DEPS <lib>...]): one GoogleTest program per test folder,
# built from every .cpp in it; each test runs in its own process.
function(tarvox_tests folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(target test_${folder})
  add_executable(${target} ${sources} ${PROJECT_SOURCE_DIR}/tests/support/TestRoot.cpp)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE TARVOX_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
