# quillometer-explore-bench: the list's filter, the plot's zoom and the CSV export at a million
# lines, headless. Included from bench/CMakeLists.txt; needs the main window's library.
if(TARGET quill_ui_main_window)
  if(NOT QUILL_BENCH_DATA_DIR)
    set(QUILL_BENCH_DATA_DIR "${CMAKE_BINARY_DIR}/bench-data")
  endif()
  add_executable(quillometer-explore-bench
      ${CMAKE_CURRENT_LIST_DIR}/explore_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/explore_list.cpp
      ${CMAKE_CURRENT_LIST_DIR}/stat_generator.cpp)
  target_include_directories(quillometer-explore-bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
  target_compile_definitions(quillometer-explore-bench PRIVATE
      QUILL_BENCH_DATA_DIR="${QUILL_BENCH_DATA_DIR}")
  target_link_libraries(quillometer-explore-bench PRIVATE quill_ui_main_window quill_warnings)

  # The zoom figure comes from the plot's own library, where that is built. It may be declared
  # after this file is read, so the check waits for the whole project.
  function(quill_explore_link_zoom)
    if(TARGET quill_explore_zoom)
      target_link_libraries(quillometer-explore-bench PRIVATE quill_explore_zoom)
      target_compile_definitions(quillometer-explore-bench PRIVATE QUILL_EXPLORE_ZOOM)
    endif()
  endfunction()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL quill_explore_link_zoom)
endif()
