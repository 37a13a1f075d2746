# Tests of the projector simulator in tools/sim; they also run the qn62-sim program.
qn62_add_test(test_sim SOURCES test_sim.cpp LIBS qn62_sim Qt6::SerialPort Qt6::Network)
add_dependencies(test_sim qn62-sim)
target_compile_definitions(test_sim PRIVATE QN62_SIM_PROGRAM="$<TARGET_FILE:qn62-sim>")
