# quillo_module(NAME [QT Core Gui ...] [DEPS target ...] [SOURCES file ...])
# One static library per folder under src/, made of every .cpp/.h/.ui/.qrc in that folder,
# so that adding a file needs no edit here. SOURCES names the files instead, for a folder that
# keeps its logic and its window in two targets.
function(quillo_module name)
  cmake_parse_arguments(ARG "" "" "QT;DEPS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
         ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
  set(qtlibs)
  foreach(c IN LISTS ARG_QT)
    list(APPEND qtlibs Qt6::${c})
  endforeach()
  target_link_libraries(${name} PUBLIC quillo_options ${qtlibs} ${ARG_DEPS})
endfunction()

# quillo_add_subfolders(): adds every folder beside the calling CMakeLists.txt that holds a
# CMakeLists.txt of its own, so a new test, benchmark or tool folder needs no edit here.
function(quillo_add_subfolders)
  file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(dir IN LISTS entries)
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
