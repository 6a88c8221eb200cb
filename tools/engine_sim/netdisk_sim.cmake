# The netdisks' check answers (netdisk_sim.cpp) join the simulator; they seal 移动云盘's answers
# with the link checks' cipher.
target_sources(quorrel_engine_sim PRIVATE ${CMAKE_CURRENT_LIST_DIR}/netdisk_sim.cpp)
target_link_libraries(quorrel_engine_sim PUBLIC quorrel_checks)
