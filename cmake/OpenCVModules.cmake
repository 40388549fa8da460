# Debian ships OpenCV's CMake package only with the all-modules meta package
# (libopencv-dev). We need four modules, so find them directly and expose one
# imported target per module: OpenCV::core, OpenCV::imgproc, ...

find_path(OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)

function(vexlor_find_opencv_module module)
  find_library(OPENCV_${module}_LIBRARY NAMES opencv_${module} REQUIRED)
  add_library(OpenCV::${module} SHARED IMPORTED)
  set_target_properties(OpenCV::${module} PROPERTIES
    IMPORTED_LOCATION "${OPENCV_${module}_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${OPENCV_INCLUDE_DIR}")
endfunction()

foreach(module core imgproc imgcodecs highgui)
  vexlor_find_opencv_module(${module})
endforeach()
