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
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp"
               TIMEOUT 120)
endfunction()
