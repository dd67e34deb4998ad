# Makes the release zip: the win32 build installed into an empty folder, and that folder's
# contents (Lumivo\ and file_id.diz) zipped as the archive's root, then listed.
# cmake -DBINARY_DIR=<build> -DSTAGE=<folder, emptied first> -DZIP=<file.zip> -P make_zip.cmake
foreach(arg BINARY_DIR STAGE ZIP)
  if(NOT ${arg})
    message(FATAL_ERROR "make_zip.cmake needs -D${arg}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${STAGE}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
  message(FATAL_ERROR "installing ${BINARY_DIR} into ${STAGE} failed: ${result}")
endif()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${STAGE} ${STAGE}/*)
list(SORT files)
get_filename_component(folder ${ZIP} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip -- ${files}
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "zipping ${STAGE} into ${ZIP} failed: ${result}")
endif()

file(SIZE ${ZIP} size)
message("${ZIP} (${size} bytes):")
foreach(file ${files})
  file(SIZE ${STAGE}/${file} size)
  string(LENGTH "${size}" digits)
  math(EXPR pad "9 - ${digits}")
  string(REPEAT " " ${pad} spaces)
  message("  ${spaces}${size}  ${file}")
endforeach()
