# Dravel.lvx, the module front over the portable core: Win32 only, installed
# beside its language file Dravel.lvg in the package's lvx folder.
if(WIN32)
  lumivo_win32_dll(Dravel SUFFIX .lvx DEF ${CMAKE_CURRENT_SOURCE_DIR}/Dravel.def MODULE_EXPORTS
                   SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/front.cpp ${CMAKE_CURRENT_SOURCE_DIR}/frontshow.cpp
                   LIBS dravel_core)
  install(TARGETS Dravel RUNTIME DESTINATION Lumivo/lvx LIBRARY DESTINATION Lumivo/lvx)
endif()
