# quillometer-plot-bench: the plot window at millions of points, headless. Included from
# bench/CMakeLists.txt; needs the plot window's library, so only with the Qt application (Qt comes
# along with it).
if(TARGET quill_ui_plot)
  if(NOT QUILL_BENCH_DATA_DIR)
    set(QUILL_BENCH_DATA_DIR "${CMAKE_BINARY_DIR}/bench-data")
  endif()
  add_executable(quillometer-plot-bench
      ${CMAKE_CURRENT_LIST_DIR}/plot_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/stat_generator.cpp)
  target_include_directories(quillometer-plot-bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
  target_compile_definitions(quillometer-plot-bench PRIVATE
      QUILL_BENCH_DATA_DIR="${QUILL_BENCH_DATA_DIR}")
  target_link_libraries(quillometer-plot-bench PRIVATE
      quill_ui_plot quill_analysis quill_warnings)
endif()
