# The whole program: the shell with every window filled into its hooks, the real and the
# simulated meter. Included after every subsystem is defined.
add_library(qx_program STATIC ${CMAKE_CURRENT_LIST_DIR}/Application.cpp ${CMAKE_CURRENT_LIST_DIR}/Application.h)
target_link_libraries(qx_program PUBLIC qx_app qx_panel qx_graph qx_logger qx_logger_ui qx_files qx_files_print qx_files_ui qx_setup qx_meter_hid qx_sim)

add_executable(qx736 ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(qx736 PRIVATE qx_program)
set_target_properties(qx736 PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})

# The help page lives in the program's own folder.
add_custom_command(TARGET qx736 POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          ${PROJECT_SOURCE_DIR}/resources/QX736HELP.htm $<TARGET_FILE_DIR:qx736>/QX736HELP.htm)
