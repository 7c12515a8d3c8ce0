# kv_warnings(target): the house warning set, errors when CI is set.
function(kv_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(DEFINED ENV{CI} AND NOT "$ENV{CI}" STREQUAL "" AND NOT "$ENV{CI}" STREQUAL "false")
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# kv_add_subdirectories(name...): adds each subdirectory; a named folder without a
# CMakeLists.txt is a mistake (a typo, a file not committed) and stops the configure.
macro(kv_add_subdirectories)
  foreach(sub ${ARGN})
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/CMakeLists.txt)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${sub} has no CMakeLists.txt")
    endif()
    add_subdirectory(${sub})
  endforeach()
endmacro()

# kv_gtest(name [GUI] SOURCES ... LIBS ... [LABELS ...] [LAUNCHER program]): one test
# executable, registered with CTest. Its main() makes a QCoreApplication, or with GUI a
# QApplication; widget tests run on the offscreen platform so they need no display. The
# label "threads" puts a test into the ThreadSanitizer run (target kv_threaded_tests).
# LAUNCHER runs the executable, for listing its tests as for running them.
function(kv_gtest name)
  cmake_parse_arguments(ARG "GUI" "LAUNCHER" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  kv_warnings(${name})
  if(ARG_GUI)
    set(main kv_test_main_gui)
  else()
    set(main kv_test_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${main} GTest::gtest GTest::gmock)
  if("threads" IN_LIST ARG_LABELS)
    add_dependencies(kv_threaded_tests ${name})
  endif()
  target_compile_definitions(${name} PRIVATE
    KV_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  if(ARG_LAUNCHER)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${ARG_LAUNCHER}")
  endif()
  gtest_discover_tests(${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${ARG_LABELS}"
    DISCOVERY_TIMEOUT 60)
endfunction()
