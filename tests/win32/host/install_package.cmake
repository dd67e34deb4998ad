# Test fixture: installs the win32 build into a fresh folder, as the package a
# user copies into Far's Plugins folder (cmake -DBINARY_DIR=.. -DPACKAGE_DIR=.. -P).
file(REMOVE_RECURSE ${PACKAGE_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${PACKAGE_DIR}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
  message(FATAL_ERROR "install into ${PACKAGE_DIR} failed: ${result}")
endif()
