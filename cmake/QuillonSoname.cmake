# quillon_soname(VARIABLE NAME HINTS): VARIABLE set to the soname of libNAME
# (e.g. libvips.so.42), for quillon-slides, which loads libvips, poppler and
# FFmpeg's libraries by their sonames when a picture, a PDF document or a
# sound first needs them.
function(quillon_soname variable name hints)
  find_library(QUILLON_${variable}_LIBRARY ${name} HINTS ${hints} REQUIRED)
  get_filename_component(real ${QUILLON_${variable}_LIBRARY} REALPATH)
  get_filename_component(real ${real} NAME)
  string(REGEX MATCH "^lib${name}\\.so\\.[0-9]+" soname ${real})
  set(${variable} ${soname} PARENT_SCOPE)
endfunction()
