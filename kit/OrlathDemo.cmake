# orlath_add_demo(NAME SOURCES file... [IMAGES folder] [MUSIC folder]
#                 [BITMAP_FONT ON|OFF] [CLOCK ON|OFF] [STARTUP_IMAGES ON|OFF])
#
# A program on the Orlath shell whose frame is the demo's own: the sources
# define RenderFrame() and may define StartDemo(). The switches are the
# start-up sequence's (defaults as shipped: OFF, ON, ON). After the build,
# the program's folder holds imagenes/ with the kit's start-up images and
# atlas, then the demo's own images from IMAGES (a file of the same name
# replaces the kit's), and musica/ with the files of MUSIC, for PlayMusic
# ("musica/tune.ogg"). Under emcmake, with the kit of a web build, it is a
# page instead: build-web/web/NAME/index.html with its images preloaded.
function(orlath_add_demo name)
  cmake_parse_arguments(PARSE_ARGV 1 DEMO "" "IMAGES;MUSIC;BITMAP_FONT;CLOCK;STARTUP_IMAGES" "SOURCES")
  if(DEMO_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "orlath_add_demo(${name}): unknown arguments ${DEMO_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT DEMO_SOURCES)
    message(FATAL_ERROR "orlath_add_demo(${name}): SOURCES is required (the files that define RenderFrame)")
  endif()

  set(switch_defaults BITMAP_FONT OFF CLOCK ON STARTUP_IMAGES ON)
  set(definitions)
  foreach(switch IN ITEMS BITMAP_FONT CLOCK STARTUP_IMAGES)
    list(FIND switch_defaults ${switch} at)
    math(EXPR at "${at} + 1")
    list(GET switch_defaults ${at} value)
    if(DEFINED DEMO_${switch})
      set(value ${DEMO_${switch}})
    endif()
    if(NOT value MATCHES "^(ON|OFF|TRUE|FALSE|YES|NO|1|0)$")
      message(FATAL_ERROR "orlath_add_demo(${name}): ${switch} must be ON or OFF, not '${value}'")
    endif()
    if(value)
      list(APPEND definitions ORLATH_ENABLE_${switch}=1)
    else()
      list(APPEND definitions ORLATH_ENABLE_${switch}=0)
    endif()
  endforeach()

  add_executable(${name} WIN32 ${DEMO_SOURCES} ${ORLATH_SHELL_SOURCES})
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
  # Copied at every build, so a changed image reaches the program's folder
  # even when no source changed.
  add_custom_target(${name}_imagenes ALL ${copy_images} VERBATIM)
  add_dependencies(${name} ${name}_imagenes)
  if(EMSCRIPTEN)
    orlath_web_page(${name} IMAGE_DIR ${program_dir}/imagenes)
  endif()
endfunction()
