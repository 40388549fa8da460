# Debian ships OpenCV's CMake package only with the all-modules meta package
# (libopencv-dev). vexlor needs a few modules, so they are found directly and
# exposed as one imported target per module: OpenCV::core, OpenCV::imgproc,
# ... Also used by the installed vexlor package to find them for its users.

find_path(OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)

function(vexlor_find_opencv_module module)
  if(TARGET OpenCV::${module})
    return()
  endif()
  find_library(OPENCV_${module}_LIBRARY NAMES opencv_${module} REQUIRED)
  add_library(OpenCV::${module} SHARED IMPORTED)
  set_target_properties(OpenCV::${module} PROPERTIES
    IMPORTED_LOCATION "${OPENCV_${module}_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${OPENCV_INCLUDE_DIR}")
endfunction()

if(NOT DEFINED VEXLOR_OPENCV_MODULES)
  set(VEXLOR_OPENCV_MODULES core imgproc imgcodecs)
endif()
foreach(module ${VEXLOR_OPENCV_MODULES})
  vexlor_find_opencv_module(${module})
endforeach()
