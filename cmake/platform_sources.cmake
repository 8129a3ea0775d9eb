# Sources under a folder named linux/ include the Linux components (cairo,
# Pango, libX11, SANE, libav*, libexif, oneTBB); sources under win32/ call
# the Windows system libraries. A build keeps its own system's folders only.
function(paintcore_keep_platform_sources list_name)
  if(WIN32)
    set(other linux)
  else()
    set(other win32)
  endif()
  set(kept)
  foreach(source IN LISTS ${list_name})
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${source})
    if(NOT relative MATCHES "(^|/)${other}/")
      list(APPEND kept ${source})
    endif()
  endforeach()
  set(${list_name} ${kept} PARENT_SCOPE)
endfunction()
