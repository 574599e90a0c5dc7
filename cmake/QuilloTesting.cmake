# quillo_test(NAME SOURCES ... LIBS ... [GUI])
# One GoogleTest executable per module. GUI tests get a QApplication on the offscreen platform.
function(quillo_test name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
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
    PROPERTIES ENVIRONMENT "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp"
               TIMEOUT 120)
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
