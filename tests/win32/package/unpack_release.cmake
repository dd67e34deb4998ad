# Test fixture: makes the release zip with the release's own script, then unpacks it into an
# empty folder, as a user unpacks it into Far's Plugins folder.
# cmake -DBINARY_DIR=.. -DSTAGE=.. -DZIP=.. -DMAKE_ZIP=<release/make_zip.cmake> -DUNPACKED=.. -P
include(${MAKE_ZIP})
file(REMOVE_RECURSE ${UNPACKED})
file(MAKE_DIRECTORY ${UNPACKED})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${UNPACKED} RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "unpacking ${ZIP} failed: ${result}")
endif()
