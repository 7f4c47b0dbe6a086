# A cross build cannot run the demo cartridge generator it builds: this builds
# the generator for the build machine, as a project of its own, and copies
# the cartridge it writes to ORVALIS_DEMO_ROM (target orvalis_demo_rom).
include(ExternalProject)
set(_host_demo_dir ${CMAKE_BINARY_DIR}/host-tools/demo)
ExternalProject_Add(orvalis_host_demo
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${_host_demo_dir}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DORVALIS_TESTS=OFF -DORVALIS_BENCH=OFF -DORVALIS_SDL=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target orvalis_demo_rom
  INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_host_demo_dir}/orvalis-demo.gba ${ORVALIS_DEMO_ROM}
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${ORVALIS_DEMO_ROM})
add_custom_target(orvalis_demo_rom ALL DEPENDS orvalis_host_demo)
