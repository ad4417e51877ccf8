# orlath_web_page(TARGET [IMAGE_DIR dir] [IMAGES file...] [MUSIC_DIR dir]
#                 [SYNC_DIR dir]):
# makes an executable target that links the web layer into a page folder,
# build-web/web/TARGET/, holding index.html (platform/web/page/index.html),
# TARGET.js, TARGET.wasm and TARGET.data: the image folder (default: the
# build's bin/imagenes), or only the IMAGES named from it, preloaded as
# /imagenes in the page's file system, MUSIC_DIR as /musica and the sync
# tracks of SYNC_DIR as /sync.
#
# The package's emcc needs NODE_PATH to find its JavaScript optimiser's
# parser, so every link runs under it; the page is our own, since the
# package's HTML minifier fails on emcc's.
# An installed kit names its own copy of the page before including this.
if(NOT ORLATH_WEB_PAGE_TEMPLATE)
  set(ORLATH_WEB_PAGE_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/../platform/web/page/index.html)
endif()

function(orlath_web_page target)
  cmake_parse_arguments(PAGE "" "IMAGE_DIR;MUSIC_DIR;SYNC_DIR" "IMAGES" ${ARGN})
  if(NOT PAGE_IMAGE_DIR)
    set(PAGE_IMAGE_DIR ${ORLATH_IMAGE_DIR})
  endif()
  set(folder ${CMAKE_BINARY_DIR}/web/${target})
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${folder}
    SUFFIX ".js"
    RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs")
  if(PAGE_IMAGES)
    foreach(image ${PAGE_IMAGES})
      target_link_options(${target} PRIVATE "SHELL:--preload-file \"${PAGE_IMAGE_DIR}/${image}@/imagenes/${image}\"")
      set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PAGE_IMAGE_DIR}/${image})
    endforeach()
  else()
    # Quoted, or a folder with a space in its path is split in two.
    target_link_options(${target} PRIVATE "SHELL:--preload-file \"${PAGE_IMAGE_DIR}@/imagenes\"")
  endif()
  if(PAGE_MUSIC_DIR)
    target_link_options(${target} PRIVATE "SHELL:--preload-file \"${PAGE_MUSIC_DIR}@/musica\"")
  endif()
  if(PAGE_SYNC_DIR)
    target_link_options(${target} PRIVATE "SHELL:--preload-file \"${PAGE_SYNC_DIR}@/sync\"")
  endif()
  if(TARGET startup_images)
    add_dependencies(${target} startup_images)
  endif()
  set(ORLATH_PAGE_SCRIPT ${target}.js)
  set(ORLATH_PAGE_NAME ${target})
  configure_file(${ORLATH_WEB_PAGE_TEMPLATE} ${folder}/index.html @ONLY)
endfunction()
