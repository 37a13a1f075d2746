# Tests of the projector simulator in tools/sim.
qn62_add_test(test_sim SOURCES test_sim.cpp LIBS qn62_sim)
