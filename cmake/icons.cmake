# The application icon, drawn at build time from its text art
# (tools/icon): PNGs of every size and a Windows .ico, in ORVALIS_ICON_DIR.
set(ORVALIS_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(ORVALIS_ICON_SIZES 16 32 48 64 128 256)
set(_icon_outputs ${ORVALIS_ICON_DIR}/orvalis-pc.ico)
foreach(size ${ORVALIS_ICON_SIZES})
  list(APPEND _icon_outputs ${ORVALIS_ICON_DIR}/orvalis-pc-${size}.png)
endforeach()
# The web page's: 192 and 512 pixels, and a maskable one.
set(ORVALIS_WEB_ICONS orvalis-pc-192.png orvalis-pc-512.png orvalis-pc-maskable-512.png)
foreach(name ${ORVALIS_WEB_ICONS})
  list(APPEND _icon_outputs ${ORVALIS_ICON_DIR}/${name})
endforeach()

if(CMAKE_CROSSCOMPILING)
  # The generator must run here: build it for the build machine on its own.
  include(ExternalProject)
  set(_icon_tool_dir ${CMAKE_BINARY_DIR}/host-tools/icon)
  set(_icon_tool ${_icon_tool_dir}/orvalis-make-icons)
  ExternalProject_Add(orvalis_icon_tool_host
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools/icon
    BINARY_DIR ${_icon_tool_dir}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
    INSTALL_COMMAND ""
    # Rebuilt (a quick no-op when nothing changed) so that a changed generator is used.
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${_icon_tool})
  set(_icon_tool_target orvalis_icon_tool_host)
else()
  set(_icon_tool $<TARGET_FILE:orvalis-make-icons>)
  set(_icon_tool_target orvalis-make-icons)
endif()

add_custom_command(OUTPUT ${_icon_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVALIS_ICON_DIR}
  COMMAND ${_icon_tool} ${ORVALIS_ICON_DIR}
  DEPENDS ${_icon_tool_target} ${_icon_tool}
  COMMENT "Drawing the application icon"
  VERBATIM)
add_custom_target(orvalis_icons ALL DEPENDS ${_icon_outputs})
