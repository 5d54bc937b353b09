# The main window's figures: needs the user interface libraries.
if(TARGET quill_ui_app)
  find_package(Qt6 6.4 REQUIRED COMPONENTS Test)  # to press Escape as a user does
  add_executable(quillometer-main-window-bench
      main_window_bench.cpp follow_bench.cpp stat_generator.cpp measurements.cpp dom_checksum.cpp)
  target_include_directories(quillometer-main-window-bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(quillometer-main-window-bench PRIVATE
      QUILL_BENCH_DATA_DIR="${QUILL_BENCH_DATA_DIR}")
  target_link_libraries(quillometer-main-window-bench PRIVATE
      quill_ui_app Qt6::Test quill_warnings simdjson::simdjson)

  # Started by quillometer-bench, with --launch, for the program's launch-to-list time.
  target_compile_definitions(quillometer-bench PRIVATE
      QUILL_LAUNCH_PROGRAM="$<TARGET_FILE:quillometer-main-window-bench>")
  add_dependencies(quillometer-bench quillometer-main-window-bench)
endif()
