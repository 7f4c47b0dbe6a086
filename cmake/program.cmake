# How a program is made from the core and one back end, written once.
#
# The core's libraries in link order: each calls only into the ones after it,
# and the loader (orvalis_rom) calls into the back end, which therefore comes
# last. Static libraries resolve only towards the right, so the order matters.
set(ORVALIS_CORE_LIBRARIES orvalis_host_core orvalis_game orvalis_save orvalis_rom orvalis_render orvalis_hw)

# Links the core, then `backend`, into target. Scope: PRIVATE for a program,
# PUBLIC or INTERFACE for a library that stands for one (the headless program
# of the tests and tools).
function(orvalis_link_program target scope backend)
  target_link_libraries(${target} ${scope} ${ORVALIS_CORE_LIBRARIES} ${backend})
endfunction()

# orvalis_program(NAME BACKEND [WIN32] SOURCE...): an executable of the core
# on one back end.
function(orvalis_program name backend)
  add_executable(${name} ${ARGN})
  orvalis_link_program(${name} PRIVATE ${backend})
endfunction()
