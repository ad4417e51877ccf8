# orlath_add_demo(NAME SOURCES file... [IMAGES folder] [MUSIC folder] [SYNC folder]
#                 [BITMAP_FONT ON|OFF] [CLOCK ON|OFF] [STARTUP_IMAGES ON|OFF] [SYNC_EDITOR ON|OFF]
#                 [TITLE "text"] [SIZE W H] [START ASK|WINDOW|FULLSCREEN] [LIVE ON|OFF])
#
# A program on the Orlath shell whose frame is the demo's own: the sources
# define RenderFrame() and may define StartDemo(). The switches are the
# start-up sequence's (defaults as shipped: OFF, ON, ON). After the build,
# the program's folder holds imagenes/ with the kit's start-up images and
# atlas, then the demo's own images from IMAGES (a file of the same name
# replaces the kit's), and musica/ with the files of MUSIC, for PlayMusic
# ("musica/tune.ogg"), and sync/ with the sync tracks of SYNC. Under
# emcmake, with the kit of a web build, it is a page instead:
# build-web/web/NAME/index.html with its images, music and tracks
# preloaded.
# TITLE names the window and the start question (default: the shell's
# titles), SIZE is the window's size in both modes (default 640 480), START
# whether to ask at start and what to open when not (default ASK); the
# program's --ask, --window and --fullscreen override START for one run.
# SYNC_EDITOR ON (default OFF) makes the demo a client of a sync editor at
# 127.0.0.1:1338, or at ORLATH_SYNC_EDITOR=host:port, which also turns it on
# in a demo built without; the editor saves its tracks into sync/.
# LIVE ON (Linux and Windows; a page ignores it) builds the sources as a
# shared object, NAME_live.so or NAME_live.dll beside the program, and the
# program as a host that swaps in each rebuilt object while it runs; the
# build folder's live-NAME.cmake (cmake -P) rebuilds the object whenever a
# source is saved. A release is built LIVE OFF: one program, as before.

# Edit distance between two words, for suggesting the option a misspelt
# one was meant to be.
function(_orlath_distance a b out)
  string(LENGTH "${a}" a_length)
  string(LENGTH "${b}" b_length)
  set(row)
  foreach(j RANGE ${b_length})
    list(APPEND row ${j})
  endforeach()
  if(a_length GREATER 0)
    foreach(i RANGE 1 ${a_length})
      math(EXPR at "${i} - 1")
      string(SUBSTRING "${a}" ${at} 1 a_char)
      set(next ${i})
      foreach(j RANGE 1 ${b_length})
        math(EXPR at "${j} - 1")
        string(SUBSTRING "${b}" ${at} 1 b_char)
        list(GET row ${at} diagonal)
        list(GET row ${j} above)
        list(GET next ${at} left)
        if(NOT a_char STREQUAL b_char)
          math(EXPR diagonal "${diagonal} + 1")
        endif()
        math(EXPR above "${above} + 1")
        math(EXPR left "${left} + 1")
        set(best ${diagonal})
        foreach(cost ${above} ${left})
          if(cost LESS best)
            set(best ${cost})
          endif()
        endforeach()
        list(APPEND next ${best})
      endforeach()
      set(row ${next})
    endforeach()
  endif()
  list(GET row ${b_length} distance)
  set(${out} ${distance} PARENT_SCOPE)
endfunction()

# The option a word was probably meant to be (any case, at most two letters
# off), or nothing.
function(_orlath_near_option word out)
  string(TOUPPER "${word}" upper)
  set(near)
  set(nearest 3)
  string(LENGTH "${word}" length)
  foreach(option IN LISTS _ORLATH_DEMO_OPTIONS)
    string(LENGTH "${option}" distance)
    math(EXPR distance "${distance} - ${length}")
    if(distance GREATER 2 OR distance LESS -2)
      continue()
    endif()
    _orlath_distance("${upper}" "${option}" distance)
    if(distance LESS nearest)
      set(near ${option})
      set(nearest ${distance})
    endif()
  endforeach()
  set(${out} "${near}" PARENT_SCOPE)
endfunction()

# The system's texts are Windows-1252 and CMake's are UTF-8: a C literal of
# text in that code page, each byte above ASCII a hex escape closed at once
# so that no letter after it can extend it. Empty when text is not UTF-8 or
# has a character the code page lacks, or a control character.
set(_ORLATH_CP1252_HIGH 20AC 80 201A 82 0192 83 201E 84 2026 85 2020 86 2021 87 02C6 88 2030 89 0160 8A 2039 8B
  0152 8C 017D 8E 2018 91 2019 92 201C 93 201D 94 2022 95 2013 96 2014 97 02DC 98 2122 99 0161 9A 203A 9B 0153 9C
  017E 9E 0178 9F)
function(_orlath_cp1252_literal text out)
  string(HEX "${text}" hex)
  string(LENGTH "${hex}" length)
  set(literal "\"")
  set(i 0)
  while(i LESS length)
    string(SUBSTRING "${hex}" ${i} 2 byte)
    math(EXPR lead "0x${byte}")
    math(EXPR i "${i} + 2")
    if(lead LESS 128)
      set(more 0)
      set(code ${lead})
    elseif(lead GREATER_EQUAL 194 AND lead LESS 224)
      set(more 1)
      math(EXPR code "${lead} & 31")
    elseif(lead GREATER_EQUAL 224 AND lead LESS 240)
      set(more 2)
      math(EXPR code "${lead} & 15")
    else()
      set(${out} "" PARENT_SCOPE)
      return()
    endif()
    foreach(k RANGE 1 ${more})
      if(more EQUAL 0)
        break()
      endif()
      if(NOT i LESS length)
        set(${out} "" PARENT_SCOPE)
        return()
      endif()
      string(SUBSTRING "${hex}" ${i} 2 byte)
      math(EXPR next "0x${byte}")
      math(EXPR i "${i} + 2")
      if(next LESS 128 OR next GREATER_EQUAL 192)
        set(${out} "" PARENT_SCOPE)
        return()
      endif()
      math(EXPR code "(${code} << 6) | (${next} & 63)")
    endforeach()
    if(code LESS 32 OR code EQUAL 127 OR (code GREATER_EQUAL 128 AND code LESS 160))
      set(${out} "" PARENT_SCOPE)
      return()
    elseif(code LESS 128)
      string(ASCII ${code} character)
      string(APPEND literal "${character}")
    else()
      if(code LESS 256)
        math(EXPR cp1252 "${code}" OUTPUT_FORMAT HEXADECIMAL)
        string(SUBSTRING "${cp1252}" 2 -1 cp1252)
      else()
        math(EXPR unicode "${code}" OUTPUT_FORMAT HEXADECIMAL)
        string(SUBSTRING "${unicode}" 2 -1 unicode)
        string(TOUPPER "000${unicode}" unicode)
        string(LENGTH "${unicode}" digits)
        math(EXPR digits "${digits} - 4")
        string(SUBSTRING "${unicode}" ${digits} 4 unicode)
        list(FIND _ORLATH_CP1252_HIGH ${unicode} at)
        math(EXPR odd "${at} % 2")
        if(at LESS 0 OR odd)
          set(${out} "" PARENT_SCOPE)
          return()
        endif()
        math(EXPR at "${at} + 1")
        list(GET _ORLATH_CP1252_HIGH ${at} cp1252)
      endif()
      string(TOUPPER "${cp1252}" cp1252)
      string(APPEND literal "\\x${cp1252}\" \"")
    endif()
  endwhile()
  set(${out} "${literal}\"" PARENT_SCOPE)
endfunction()

set(_ORLATH_DEMO_DIR ${CMAKE_CURRENT_LIST_DIR})
set(_ORLATH_DEMO_OPTIONS SOURCES IMAGES MUSIC SYNC BITMAP_FONT CLOCK STARTUP_IMAGES SYNC_EDITOR TITLE SIZE START LIVE)

# In the order of the entry point's START_* values.
set(_ORLATH_DEMO_STARTS ASK WINDOW FULLSCREEN)

function(orlath_add_demo name)
  cmake_parse_arguments(PARSE_ARGV 1 DEMO "" "IMAGES;MUSIC;SYNC;BITMAP_FONT;CLOCK;STARTUP_IMAGES;SYNC_EDITOR;TITLE;START;LIVE"
    "SOURCES;SIZE")
  # SOURCES takes every word up to the next option, so a misspelt option
  # after it would be taken for a file; a word in capitals, or one near an
  # option, is refused as an option instead.
  set(unknown)
  foreach(word IN LISTS DEMO_SOURCES)
    _orlath_near_option("${word}" near)
    if(word MATCHES "^[A-Z][A-Z0-9_]*$" OR (near AND NOT word MATCHES "[./\\]"))
      set(unknown ${word})
      break()
    endif()
  endforeach()
  if(NOT unknown AND DEMO_UNPARSED_ARGUMENTS)
    list(GET DEMO_UNPARSED_ARGUMENTS 0 unknown)
  endif()
  if(unknown)
    _orlath_near_option("${unknown}" near)
    if(near)
      message(FATAL_ERROR "orlath_add_demo(${name}): unknown option ${unknown} (did you mean ${near}?)")
    endif()
    message(FATAL_ERROR "orlath_add_demo(${name}): unknown option ${unknown} (the options are SOURCES, IMAGES, "
      "MUSIC, SYNC, BITMAP_FONT, CLOCK, STARTUP_IMAGES, SYNC_EDITOR, TITLE, SIZE, START and LIVE)")
  endif()
  if(NOT DEMO_SOURCES)
    message(FATAL_ERROR "orlath_add_demo(${name}): SOURCES is required (the files that define RenderFrame)")
  endif()

  set(switch_defaults BITMAP_FONT OFF CLOCK ON STARTUP_IMAGES ON SYNC_EDITOR OFF LIVE OFF)
  set(definitions)
  set(live OFF)
  foreach(switch IN ITEMS BITMAP_FONT CLOCK STARTUP_IMAGES SYNC_EDITOR LIVE)
    list(FIND switch_defaults ${switch} at)
    math(EXPR at "${at} + 1")
    list(GET switch_defaults ${at} value)
    if(DEFINED DEMO_${switch})
      set(value ${DEMO_${switch}})
    endif()
    # Whatever if() takes for true or false, in any case; a number too.
    string(TOUPPER "${value}" upper)
    if(NOT upper MATCHES "^(ON|OFF|TRUE|FALSE|YES|NO|Y|N|IGNORE|NOTFOUND|.*-NOTFOUND|[+-]?[0-9]+(\\.[0-9]*)?)$")
      message(FATAL_ERROR "orlath_add_demo(${name}): ${switch} must be ON or OFF, not '${value}'")
    endif()
    if(switch STREQUAL "LIVE")
      if(${upper})
        set(live ON)
      endif()
    elseif(${upper})
      list(APPEND definitions ORLATH_ENABLE_${switch}=1)
    else()
      list(APPEND definitions ORLATH_ENABLE_${switch}=0)
    endif()
  endforeach()

  # The window's look and start: compiled into the entry point, which reads
  # the flags only in a program that has a name here.
  list(APPEND definitions "ORLATH_DEMO_NAME=\"${name}\"")
  if(DEFINED DEMO_TITLE OR "TITLE" IN_LIST DEMO_KEYWORDS_MISSING_VALUES)
    # Quotes and backslashes would need escaping on every compiler's line.
    _orlath_cp1252_literal("${DEMO_TITLE}" title)
    if("${DEMO_TITLE}" STREQUAL "" OR "${DEMO_TITLE}" MATCHES "[\"\\]" OR title STREQUAL "")
      message(FATAL_ERROR "orlath_add_demo(${name}): TITLE must be a non-empty line of Windows-1252 characters "
        "without quotes or backslashes")
    endif()
    list(APPEND definitions "ORLATH_DEMO_TITLE=${title}")
  endif()
  if(DEFINED DEMO_SIZE OR "SIZE" IN_LIST DEMO_KEYWORDS_MISSING_VALUES)
    list(LENGTH DEMO_SIZE count)
    if(NOT count EQUAL 2 OR NOT DEMO_SIZE MATCHES "^[1-9][0-9]*;[1-9][0-9]*$")
      message(FATAL_ERROR "orlath_add_demo(${name}): SIZE takes a width and a height in pixels, not '${DEMO_SIZE}'")
    endif()
    list(GET DEMO_SIZE 0 width)
    list(GET DEMO_SIZE 1 height)
    if(width GREATER 16384 OR height GREATER 16384)
      message(FATAL_ERROR "orlath_add_demo(${name}): SIZE ${width} ${height} is larger than 16384 pixels")
    endif()
    list(APPEND definitions ORLATH_DEMO_WIDTH=${width} ORLATH_DEMO_HEIGHT=${height})
  endif()
  if(DEFINED DEMO_START OR "START" IN_LIST DEMO_KEYWORDS_MISSING_VALUES)
    string(TOUPPER "${DEMO_START}" start)
    list(FIND _ORLATH_DEMO_STARTS "${start}" start)
    if(start LESS 0)
      message(FATAL_ERROR "orlath_add_demo(${name}): START must be ASK, WINDOW or FULLSCREEN, not '${DEMO_START}'")
    endif()
    list(APPEND definitions ORLATH_DEMO_START=${start})
  endif()

  if(live AND EMSCRIPTEN)
    message(NOTICE "orlath_add_demo(${name}): LIVE ON is ignored: a page has no live code, it is built LIVE OFF")
    set(live OFF)
  endif()
  if(live)
    # The host: the shell and the whole kit, exported, so that any kit call
    # the demo's code makes later finds its definition in the program.
    add_executable(${name} WIN32 ${ORLATH_SHELL_SOURCES} ${ORLATH_LIVE_SOURCES})
    set(object ${name}_live${CMAKE_SHARED_MODULE_SUFFIX})
    list(APPEND definitions ORLATH_LIVE "ORLATH_LIVE_OBJECT=\"${object}\"")
    set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON)
    set(whole $<TARGET_FILE:Orlath::core>)
    get_target_property(type Orlath::platform TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      list(APPEND whole $<TARGET_FILE:Orlath::platform>)
    endif()
    target_link_options(${name} PRIVATE "LINKER:--whole-archive" ${whole} "LINKER:--no-whole-archive")
    if(WIN32)
      target_link_options(${name} PRIVATE "LINKER:--export-all-symbols")
    endif()
  else()
    add_executable(${name} WIN32 ${DEMO_SOURCES} ${ORLATH_SHELL_SOURCES})
  endif()
  target_compile_definitions(${name} PRIVATE ${definitions})
  target_compile_features(${name} PRIVATE cxx_std_17)
  target_link_libraries(${name} PRIVATE Orlath::platform_main Orlath::core)
  if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # A program that runs from a bare folder: no MinGW runtime DLLs.
    target_link_options(${name} PRIVATE -static-libgcc -static-libstdc++)
  endif()
  if(EMSCRIPTEN)
    # The page packs its images at link time, from a folder of its own.
    set(program_dir ${CMAKE_CURRENT_BINARY_DIR}/${name}_page)
  elseif(CMAKE_RUNTIME_OUTPUT_DIRECTORY)
    set(program_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  else()
    set(program_dir ${CMAKE_BINARY_DIR}/bin)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${program_dir})
  endif()

  if(live)
    # The demo's own code: built aside, then renamed into the program's
    # folder in one step, so the running host never sees half an object.
    add_library(${name}_live MODULE ${DEMO_SOURCES})
    set_target_properties(${name}_live PROPERTIES PREFIX ""
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${name}_live
      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${name}_live)
    target_compile_definitions(${name}_live PRIVATE ${definitions})
    target_compile_features(${name}_live PRIVATE cxx_std_17)
    # The kit's headers only: its code is the host's, never a second copy.
    target_include_directories(${name}_live PRIVATE $<TARGET_PROPERTY:Orlath::core,INTERFACE_INCLUDE_DIRECTORIES>)
    if(ORLATH_LIVE_HEADER)
      # Most of a rebuild is reading the headers (windows.h above all):
      # precompiled, a saved frame reaches the program sooner.
      target_precompile_headers(${name}_live PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${ORLATH_LIVE_HEADER}>")
    endif()
    if(WIN32)
      # A DLL names where each call goes: the host's import library.
      target_link_libraries(${name}_live PRIVATE ${name} opengl32 glu32 gdi32 user32 winmm)
      if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_link_options(${name}_live PRIVATE -static-libgcc -static-libstdc++)
      endif()
    else()
      # The demo's calls among its own functions stay its own, whatever the
      # host exports; and no unique symbols, which would pin an old version.
      target_link_options(${name}_live PRIVATE "LINKER:-Bsymbolic")
      if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${name}_live PRIVATE -fno-gnu-unique)
      endif()
      add_dependencies(${name} ${name}_live)
    endif()
    add_custom_command(TARGET ${name}_live POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${name}_live> ${program_dir}/${object}.part
      COMMAND ${CMAKE_COMMAND} -E rename ${program_dir}/${object}.part ${program_dir}/${object} VERBATIM)
    # The watcher: cmake -P live-NAME.cmake rebuilds the object on each save.
    set(watched)
    foreach(source IN LISTS DEMO_SOURCES)
      get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      list(APPEND watched ${source})
    endforeach()
    # Makefiles' /fast form builds the object alone, without first looking
    # over the host and the folders copied beside it: a third of a rebuild.
    set(build_target ${name}_live)
    if(CMAKE_GENERATOR MATCHES "Makefiles")
      set(build_target ${name}_live/fast)
    endif()
    file(WRITE ${CMAKE_BINARY_DIR}/live-${name}.cmake
"# Rebuilds ${name}'s live object whenever a source is saved; Ctrl+C ends it.
set(LIVE_BUILD_DIR \"${CMAKE_BINARY_DIR}\")
set(LIVE_TARGET ${name}_live)
set(LIVE_BUILD_TARGET ${build_target})
set(LIVE_SOURCES \"${watched}\")
set(LIVE_FOLDER \"${CMAKE_CURRENT_SOURCE_DIR}\")
include(\"${_ORLATH_DEMO_DIR}/OrlathLiveWatch.cmake\")
")
  endif()

  set(copy_images
    COMMAND ${CMAKE_COMMAND} -E make_directory ${program_dir}/imagenes
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${ORLATH_IMAGE_DIR} ${program_dir}/imagenes)
  if(DEMO_IMAGES)
    get_filename_component(images ${DEMO_IMAGES} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    if(NOT IS_DIRECTORY ${images})
      message(FATAL_ERROR "orlath_add_demo(${name}): IMAGES ${images} is not a folder")
    endif()
    list(APPEND copy_images COMMAND ${CMAKE_COMMAND} -E copy_directory ${images} ${program_dir}/imagenes)
  endif()
  if(DEMO_MUSIC)
    get_filename_component(music ${DEMO_MUSIC} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    if(NOT IS_DIRECTORY ${music})
      message(FATAL_ERROR "orlath_add_demo(${name}): MUSIC ${music} is not a folder")
    endif()
    list(APPEND copy_images
      COMMAND ${CMAKE_COMMAND} -E make_directory ${program_dir}/musica
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${music} ${program_dir}/musica)
  endif()
  set(page_files)
  if(DEMO_SYNC)
    get_filename_component(sync ${DEMO_SYNC} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    if(NOT IS_DIRECTORY ${sync})
      message(FATAL_ERROR "orlath_add_demo(${name}): SYNC ${sync} is not a folder")
    endif()
    list(APPEND copy_images COMMAND ${CMAKE_COMMAND} -E make_directory ${program_dir}/sync
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${sync} ${program_dir}/sync)
    set(page_files SYNC_DIR ${program_dir}/sync)
  elseif(ORLATH_ENABLE_SYNC_EDITOR=1 IN_LIST definitions)
    # Where the editor's saves go.
    list(APPEND copy_images COMMAND ${CMAKE_COMMAND} -E make_directory ${program_dir}/sync)
  endif()
  # Copied at every build, so a changed image reaches the program's folder
  # even when no source changed.
  add_custom_target(${name}_imagenes ALL ${copy_images} VERBATIM)
  add_dependencies(${name} ${name}_imagenes)
  if(EMSCRIPTEN)
    if(DEMO_MUSIC)
      list(APPEND page_files MUSIC_DIR ${music})
    endif()
    orlath_web_page(${name} IMAGE_DIR ${program_dir}/imagenes ${page_files})
  endif()
endfunction()
