# Helpers shared by the folders' CMakeLists.

set(LUMIVO_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})

# What each deliverable's version resource says it is; other libraries (the tests' own) are
# described as a part of Lumivo.
set(LUMIVO_DESCRIPTION_Lumivo "Lumivo: context help for Far Manager")
set(LUMIVO_DESCRIPTION_Kestro "Lumivo help module: compiled HTML Help files")
set(LUMIVO_DESCRIPTION_Dravel "Lumivo help module: plain-text dictionaries")
set(LUMIVO_DESCRIPTION_Ornith "Lumivo help module: the Windows HTML Help viewer")
set(LUMIVO_DESCRIPTION_Vessik "Lumivo help module: Far Manager help files")
set(LUMIVO_DESCRIPTION_Quapla "Lumivo help module: Windows Help files")
set(LUMIVO_DESCRIPTION_dictd2dravel "Lumivo: dictd dictionaries to Dravel's form")

# lumivo_version_resource(target file): a VERSIONINFO resource with the project version for the
# library or program `file` (its name with the extension) that `target` builds.
function(lumivo_version_resource target file)
  get_filename_component(version_name ${file} NAME_WE)
  get_filename_component(extension ${file} LAST_EXT)
  set(version_type VFT_DLL)
  if(extension STREQUAL ".exe")
    set(version_type VFT_APP)
  endif()
  set(version_file ${file})
  set(version_description "${LUMIVO_DESCRIPTION_${version_name}}")
  if(NOT version_description)
    set(version_description "Part of Lumivo")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
  configure_file(${LUMIVO_CMAKE_DIR}/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# lumivo_stamp_version(source output [CRLF]): a copy of a text file (a help file, a readme) with
# every {LUMIVO_VERSION} replaced by the project version, so that the committed file stays the
# template; CRLF gives it Windows line ends (for Notepad). Made at configure time and again
# whenever the source changes. Byte for byte otherwise: the files are in OEM code pages, and
# Far's help files use @ for their own purposes.
function(lumivo_stamp_version source output)
  cmake_parse_arguments(A "CRLF" "" "" ${ARGN})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(READ ${source} text)
  string(REPLACE "{LUMIVO_VERSION}" "${PROJECT_VERSION}" text "${text}")
  if(A_CRLF)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
  endif()
  file(WRITE ${output}.new "${text}")
  configure_file(${output}.new ${output} COPYONLY) # touched only when it changes
  file(REMOVE ${output}.new)
endfunction()

# lumivo_win32_dll(name SUFFIX .dll|.lvx DEF file.def [MODULE_EXPORTS] SOURCES ...)
# A deliverable: statically linked (only Windows' own DLLs imported),
# undecorated stdcall exports from the .def file, the project version in its version resource.
# MODULE_EXPORTS: a help module on the common front, whose Start, Exit and Message come from
# interface/moduleexports.cpp.
function(lumivo_win32_dll name)
  cmake_parse_arguments(A "MODULE_EXPORTS" "SUFFIX;DEF;OUTPUT_NAME" "SOURCES;LIBS" ${ARGN})
  if(A_MODULE_EXPORTS)
    list(APPEND A_SOURCES ${CMAKE_SOURCE_DIR}/interface/moduleexports.cpp)
  endif()
  add_library(${name} SHARED ${A_SOURCES} ${A_DEF})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX "${A_SUFFIX}")
  set(output ${name})
  if(A_OUTPUT_NAME)
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${A_OUTPUT_NAME})
    set(output ${A_OUTPUT_NAME})
  endif()
  if(WIN32)
    lumivo_version_resource(${name} ${output}${A_SUFFIX})
  endif()
  target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at)
  target_link_libraries(${name} PRIVATE lumivo_interface ${A_LIBS})
endfunction()

# lumivo_win32_exe(name SOURCES ... LIBS ...): a statically linked Win32 program, with the
# project version in its version resource.
function(lumivo_win32_exe name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  lumivo_version_resource(${name} ${name}.exe)
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
