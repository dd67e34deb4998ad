# Helpers shared by the folders' CMakeLists.

# lumivo_win32_dll(name SUFFIX .dll|.lvx DEF file.def SOURCES ...)
# A deliverable: statically linked (only Windows' own DLLs imported),
# undecorated stdcall exports from the .def file.
function(lumivo_win32_dll name)
  cmake_parse_arguments(A "" "SUFFIX;DEF;OUTPUT_NAME" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${A_SOURCES} ${A_DEF})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX "${A_SUFFIX}")
  if(A_OUTPUT_NAME)
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${A_OUTPUT_NAME})
  endif()
  target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at)
  target_link_libraries(${name} PRIVATE lumivo_interface ${A_LIBS})
endfunction()

# lumivo_win32_exe(name SOURCES ... LIBS ...): a statically linked Win32 program.
function(lumivo_win32_exe name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  target_link_libraries(${name} PRIVATE ${A_LIBS})
endfunction()

# lumivo_gtest(name SOURCES ... LIBS ...): a GoogleTest program, run by CTest
# (under Wine in the win32 build through the crosscompiling emulator).
function(lumivo_gtest name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  if(WIN32)
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
    target_link_libraries(${name} PRIVATE gtest gtest_main ${A_LIBS})
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main ${A_LIBS})
  endif()
  target_compile_definitions(${name} PRIVATE LUMIVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}" LUMIVO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  if(WIN32)
    # One Wine prefix, one registry, which many tests clear: never two at a time.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK far_registry)
  endif()
endfunction()
