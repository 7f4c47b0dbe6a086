# The product's words and sizes for files the build generates (the web
# page): read from platform/product.h, where the program takes them from, so
# that they are typed once. orvalis_product_value(NAME VAR) sets VAR to the
# value of `constexpr char NAME[] = "...";` or `constexpr int NAME = N;`.
file(READ ${PROJECT_SOURCE_DIR}/platform/product.h _orvalis_product_header)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/product.h)

function(orvalis_product_value name var)
  if(_orvalis_product_header MATCHES "constexpr char ${name}\\[\\] = \"([^\"\\\\]*)\";")
    set(${var} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(_orvalis_product_header MATCHES "constexpr int ${name} = ([0-9]+);")
    set(${var} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    message(FATAL_ERROR "platform/product.h has no plain value named ${name}")
  endif()
endfunction()
