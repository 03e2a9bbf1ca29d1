# The framework layer: the core and the headless backend (no Qt here).
vq_add_library(vq_platform STATIC
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Accessible.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Bitmap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Canvas.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Controls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Framework.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Input.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Menu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Notifications.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Region.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Render.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Resources.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SocketSelect.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ToolTip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/headless/HeadlessBackend.cpp
  LIBS vq_core ZLIB::ZLIB Threads::Threads)
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/qt/CMakeLists.txt AND VQ_WITH_QT)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/qt ${CMAKE_CURRENT_BINARY_DIR}/qt)
endif()
