# Kestro.lvx, the module front over the portable core: Win32 only, installed beside its
# language file Kestro.lvg in the package's lvx folder.
if(WIN32)
  lumivo_win32_dll(Kestro SUFFIX .lvx DEF ${CMAKE_CURRENT_SOURCE_DIR}/Kestro.def MODULE_EXPORTS
                   SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/front.cpp ${CMAKE_CURRENT_SOURCE_DIR}/frontlookup.cpp
                   LIBS kestro_core)
  install(TARGETS Kestro RUNTIME DESTINATION Lumivo/lvx LIBRARY DESTINATION Lumivo/lvx)
endif()
