# quill_explore_zoom: times a zoom or pan step of the plot window for the explore benchmark.
# Included from bench/CMakeLists.txt; needs the plot window's library, so only with the Qt
# application.
if(TARGET quill_ui_plot)
  add_library(quill_explore_zoom STATIC ${CMAKE_CURRENT_LIST_DIR}/explore_zoom.cpp)
  target_include_directories(quill_explore_zoom PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
  target_link_libraries(quill_explore_zoom PUBLIC quill_analysis
      PRIVATE quill_ui_plot Qt6::Widgets quill_warnings)
endif()
