# The watcher of a LIVE ON demo, run as cmake -P build/live-NAME.cmake (which
# sets LIVE_BUILD_DIR, LIVE_TARGET, LIVE_BUILD_TARGET, the form of it to
# build, LIVE_SOURCES and LIVE_FOLDER): every tenth of a second it compares
# the demo's sources and the headers and sources beside them with what it
# saw, and when one was saved it rebuilds the demo's object; the running
# program swaps it in. Contents, not times: file times here have whole
# seconds, and two saves may fall in one.
cmake_minimum_required(VERSION 3.16)
if(NOT LIVE_BUILD_TARGET)
  set(LIVE_BUILD_TARGET ${LIVE_TARGET})
endif()

function(_orlath_live_state out)
  file(GLOB beside ${LIVE_FOLDER}/*.h ${LIVE_FOLDER}/*.hpp ${LIVE_FOLDER}/*.c ${LIVE_FOLDER}/*.cpp ${LIVE_FOLDER}/*.cc)
  set(files ${LIVE_SOURCES} ${beside})
  list(REMOVE_DUPLICATES files)
  list(SORT files)
  set(state)
  foreach(file IN LISTS files)
    if(EXISTS ${file})
      file(MD5 ${file} hash)
      list(APPEND state "${file}=${hash}")
    endif()
  endforeach()
  set(${out} "${state}" PARENT_SCOPE)
endfunction()

message(STATUS "live: watching ${LIVE_FOLDER}; save a source to rebuild ${LIVE_TARGET} (Ctrl+C ends)")
_orlath_live_state(seen)
while(TRUE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 0.1)
  _orlath_live_state(now)
  if(now STREQUAL seen)
    continue()
  endif()
  set(seen "${now}")
  message(STATUS "live: a source changed, building ${LIVE_TARGET}")
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${LIVE_BUILD_DIR} --target ${LIVE_BUILD_TARGET} RESULT_VARIABLE failed)
  if(failed)
    message(STATUS "live: the build failed; the program keeps its code")
  else()
    message(STATUS "live: built; the program swaps it in")
  endif()
endwhile()
