# Builds the Debian package from this build, as scripts/package builds it from its own (installed
# under /usr, the binary stripped), and runs lintian on it: not one error or warning may remain.
# Arguments: -DBUILD_DIR= -DOUT=
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND cpack -G DEB -B ${OUT} --config ${BUILD_DIR}/CPackConfig.cmake
                        -D CPACK_PACKAGING_INSTALL_PREFIX=/usr
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB package ${OUT}/*.deb)
if(NOT result EQUAL 0 OR NOT package)
    message(FATAL_ERROR "cpack failed:\n${output}")
endif()

find_program(lintian lintian REQUIRED)
execute_process(COMMAND ${lintian} --display-level ">=warning" ${package}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
string(REGEX MATCHALL "(^|\n)[EW]: [^\n]*" remarks "${output}")
if(remarks OR NOT result EQUAL 0)
    message(FATAL_ERROR "lintian ${package}:\n${output}${errors}")
endif()
message(STATUS "lintian accepts ${package}")
