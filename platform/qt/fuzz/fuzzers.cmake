# The Qt backend's fuzz targets. Their sources use no Qt, so a fuzz build without Qt can
# include this file (from fuzz/) as well as the Qt backend's own CMakeLists.txt.
if(NOT TARGET fuzz_qt_inputs)
  vq_add_fuzzer(fuzz_qt_inputs
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WaveFileFuzzer.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../WaveFile.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../X11Windows.cpp
    LIBS vq_core
    CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus)
endif()
