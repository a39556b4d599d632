# Installs the SDK from the build tree into a fresh prefix, builds the sample plug-in against
# it as an outside project would, and loads the result with the loader.
file(REMOVE_RECURSE "${WORK_DIR}")

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run("installing the SDK" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${WORK_DIR}/prefix")
foreach(installed include/undaline/undaline.h include/undaline/scene/creador.h
                  include/undaline/plugins/loader.h lib/cmake/Undaline/UndalineConfig.cmake)
  if(NOT EXISTS "${WORK_DIR}/prefix/${installed}")
    message(FATAL_ERROR "the SDK lacks ${installed}")
  endif()
endforeach()
if(EXISTS "${WORK_DIR}/prefix/include/undaline/plugins/plugin_private.h")
  message(FATAL_ERROR "a private header was installed")
endif()

run("configuring the sample" "${CMAKE_COMMAND}" -S "${SAMPLE_DIR}" -B "${WORK_DIR}/build"
    -G "${GENERATOR}" "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_CXX_FLAGS=${EXTRA_FLAGS}"
    "-DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix" -DCMAKE_BUILD_TYPE=Debug)
run("building the sample" "${CMAKE_COMMAND}" --build "${WORK_DIR}/build" --parallel 1)

file(MAKE_DIRECTORY "${WORK_DIR}/plugins")
file(COPY "${WORK_DIR}/build/sample.so" DESTINATION "${WORK_DIR}/plugins")
run("loading the sample" "${PROBE}" "${WORK_DIR}/plugins")
message(STATUS "${last_output}")
