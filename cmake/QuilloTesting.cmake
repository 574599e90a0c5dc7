# The options of the build's sanitizer run-time, one variable since a build has one run-time that
# reads options: the leak check's under the address sanitizer, ThreadSanitizer's otherwise. Each
# names the project's suppressions, which hide only what system libraries do, never our own code.
if(QUILLO_SANITIZE MATCHES "address")
  set(QUILLO_SANITIZER_ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
else()
  set(QUILLO_SANITIZER_ENVIRONMENT "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp")
endif()

# quillo_test(NAME SOURCES ... LIBS ... [GUI] [LABEL label])
# One GoogleTest executable per module. GUI tests get a QApplication on the offscreen platform.
function(quillo_test name)
  cmake_parse_arguments(ARG "GUI" "LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL ${name})
  endif()
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_GUI)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common/gui_main.cpp)
    target_link_libraries(${name} PRIVATE Qt6::Widgets Qt6::Test GTest::gtest)
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common/core_main.cpp)
    target_link_libraries(${name} PRIVATE Qt6::Core GTest::gtest)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE quillo_options GTest::gmock ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE
    QUILLO_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QUILLO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    # One variable only: the discovery script splits a list-valued ENVIRONMENT into properties of
    # their own, and the second variable was silently lost. Window tests pick the offscreen
    # platform themselves (gui_main.cpp).
    PROPERTIES ENVIRONMENT "${QUILLO_SANITIZER_ENVIRONMENT}"
               TIMEOUT 120
               LABELS ${ARG_LABEL})
endfunction()

# quillo_test_with_stand_in(TARGET TEST name LIBRARY name SOVERSION n SOURCES ... LIBS ...)
# A test program run with a stand-in lib<LIBRARY>.so.<SOVERSION>, which has none of the real
# library's functions, first on the library search path: the program must then fail cleanly where
# it needs that library. Registered with add_test rather than quillo_test, because the search path
# has to be set for the run.
function(quillo_test_with_stand_in target)
  cmake_parse_arguments(ARG "" "TEST;LIBRARY;SOVERSION" "SOURCES;LIBS" ${ARGN})
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${ARG_LIBRARY}-stand-in)
  add_library(${target}_stand_in SHARED ${PROJECT_SOURCE_DIR}/tests/common/StandInLibrary.cpp)
  set_target_properties(${target}_stand_in PROPERTIES
    OUTPUT_NAME ${ARG_LIBRARY} SOVERSION ${ARG_SOVERSION} LIBRARY_OUTPUT_DIRECTORY ${dir})
  add_executable(${target} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/common/core_main.cpp)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  target_link_libraries(${target} PRIVATE quillo_options GTest::gtest ${ARG_LIBS})
  add_dependencies(${target} ${target}_stand_in)
  add_test(NAME ${ARG_TEST} COMMAND ${target})
  set_tests_properties(${ARG_TEST} PROPERTIES ENVIRONMENT "LD_LIBRARY_PATH=${dir}" TIMEOUT 120)
endfunction()

# quillo_fuzz_target(NAME SOURCE file CORPUS folder LIBS ... [FLAGS libFuzzer flags ...])
# One fuzz target: with QUILLO_FUZZ (a clang build, scripts/fuzz.sh) it links libFuzzer; otherwise
# it links a standalone driver that replays the seed corpus and a bounded number of pseudo-random
# and mutated inputs, registered with ctest, so that the normal suite and its sanitizer builds
# exercise every parser too. Every target is listed in fuzz-targets.tsv of the build folder
# (name, program, seed corpus, the target's own libFuzzer flags such as a tighter -rss_limit_mb),
# which is how scripts/fuzz.sh finds them all, wherever they live.
option(QUILLO_FUZZ "Link the fuzz targets with libFuzzer (clang only)" OFF)
function(quillo_fuzz_target name)
  cmake_parse_arguments(ARG "" "SOURCE;CORPUS" "LIBS;FLAGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCE})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE quillo_options ${ARG_LIBS})
  if(QUILLO_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/fuzz/standalone_driver.cpp)
    add_test(NAME ${name} COMMAND ${name} ${ARG_CORPUS})
    set_tests_properties(${name} PROPERTIES
      LABELS fuzz TIMEOUT 300
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
  endif()
  list(JOIN ARG_FLAGS " " flags)
  set_property(GLOBAL APPEND PROPERTY QUILLO_FUZZ_TARGETS "${name}\t$<TARGET_FILE:${name}>\t${ARG_CORPUS}\t${flags}\n")
endfunction()

# Writes fuzz-targets.tsv once every folder has added its targets.
function(quillo_write_fuzz_manifest)
  get_property(lines GLOBAL PROPERTY QUILLO_FUZZ_TARGETS)
  list(JOIN lines "" content)
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/fuzz-targets.tsv CONTENT "${content}")
endfunction()
