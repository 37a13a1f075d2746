# Tests of the projector simulator in tools/sim.
qn62_add_test(test_sim SOURCES test_sim.cpp LIBS qn62_sim)

qn62_add_test(test_sim_pty SOURCES test_sim_pty.cpp LIBS qn62_sim)
# It also runs the qn62-sim program itself.
add_dependencies(test_sim_pty qn62-sim)
target_compile_definitions(test_sim_pty PRIVATE QN62_SIM_PROGRAM="$<TARGET_FILE:qn62-sim>")
