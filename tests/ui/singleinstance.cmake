# The single-instance hand-over, tested with real processes of a small console probe.
find_package(Qt6 REQUIRED COMPONENTS Test)
add_executable(singleinstance_probe ui/singleinstance_probe.cpp)
target_link_libraries(singleinstance_probe PRIVATE parvel_singleinstance)
add_executable(test_singleinstance ui/singleinstance_test.cpp)
set_target_properties(test_singleinstance PROPERTIES AUTOMOC ON)
target_link_libraries(test_singleinstance PRIVATE Qt6::Core Qt6::Test)
target_compile_definitions(test_singleinstance PRIVATE
  PARVEL_PROBE="$<TARGET_FILE:singleinstance_probe>")
add_dependencies(test_singleinstance singleinstance_probe)
add_test(NAME test_singleinstance COMMAND test_singleinstance)
set_tests_properties(test_singleinstance PROPERTIES LABELS gui)
