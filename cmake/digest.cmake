# The SHA-1 an accepted cartridge image must have, as 40 hex digits. The
# default is the digest of the demo cartridge the build generates.
set(ORVALIS_DEMO_SHA1 "4c23f876056c074e122fa89467db98c92376156a")
# Left empty, the build follows the demo cartridge's digest, so a build folder
# configured before the artwork changed still accepts the current image.
set(ORVALIS_ROM_SHA1 "" CACHE STRING "SHA-1 of the accepted cartridge image (40 hex digits; empty: the demo cartridge)")
if(ORVALIS_ROM_SHA1 STREQUAL "")
  set(ORVALIS_ROM_SHA1 "${ORVALIS_DEMO_SHA1}")
endif()
if(NOT ORVALIS_ROM_SHA1 MATCHES "^[0-9a-fA-F]+$")
  message(FATAL_ERROR "ORVALIS_ROM_SHA1 must be 40 hexadecimal digits")
endif()
string(LENGTH "${ORVALIS_ROM_SHA1}" _digest_length)
if(NOT _digest_length EQUAL 40)
  message(FATAL_ERROR "ORVALIS_ROM_SHA1 must be 40 hexadecimal digits")
endif()
