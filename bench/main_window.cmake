# The main window's figures: needs the user interface libraries.
if(TARGET quill_ui_main_window)
  add_executable(quillometer-main-window-bench main_window_bench.cpp stat_generator.cpp)
  target_include_directories(quillometer-main-window-bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(quillometer-main-window-bench PRIVATE
      QUILL_BENCH_DATA_DIR="${QUILL_BENCH_DATA_DIR}")
  target_link_libraries(quillometer-main-window-bench PRIVATE quill_ui_main_window quill_warnings)
endif()
