# Adds every direct sub-folder of DIR that has a CMakeLists.txt.
function(handfolio_add_subdirs dir)
  file(GLOB children LIST_DIRECTORIES true "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*")
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY "${child}" AND EXISTS "${child}/CMakeLists.txt")
      add_subdirectory("${child}")
    endif()
  endforeach()
endfunction()

# handfolio_gui_allowed() is true when the Qt Widgets parts are built.
macro(handfolio_require_gui)
  if(HANDFOLIO_CORE_ONLY)
    return()
  endif()
endmacro()

# handfolio_test(NAME SOURCES... LIBS ...) adds one GoogleTest executable.
function(handfolio_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  if(NOT "GTest::gtest_main" IN_LIST T_LIBS AND NOT "handfolio_gui_test_main" IN_LIST T_LIBS)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${T_PROPERTIES})
endfunction()
