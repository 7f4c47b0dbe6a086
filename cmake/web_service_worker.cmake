# Writes the page's service worker: cmake -DWEB_DIR=... -DTEMPLATE=... -DVERSION=...
# -DFILES=a,b,c -P web_service_worker.cmake. The cache's name carries the
# version and a digest of every cached file, so a page rebuilt with any file
# changed replaces the cache its players hold.
string(REPLACE "," ";" FILES "${FILES}")
set(_digests "")
set(_list "")
foreach(file ${FILES})
  if(NOT EXISTS ${WEB_DIR}/${file})
    message(FATAL_ERROR "the page's file ${file} is missing from ${WEB_DIR}")
  endif()
  file(SHA256 ${WEB_DIR}/${file} _digest)
  string(APPEND _digests "${file}:${_digest}\n")
  string(APPEND _list "'${file}', ")
endforeach()
string(SHA256 _all "${_digests}")
string(SUBSTRING "${_all}" 0 16 _short)
set(ORVALIS_WEB_CACHE "orvalis-pc-${VERSION}-${_short}")
set(ORVALIS_WEB_CACHED_FILES "${_list}")
configure_file(${TEMPLATE} ${WEB_DIR}/orvalis-sw.js @ONLY)
