get_filename_component(libdir "${LIBRARY}" DIRECTORY)
set(program "${WORK_DIR}/sdk_program")
execute_process(
  COMMAND "${CXX}" -std=c++20 -Wall -Wextra -Werror ${EXTRA_FLAGS} -I "${INCLUDE_DIR}" "${SOURCE}"
          -o "${program}" -L "${libdir}" -lundaline "-Wl,-rpath,${libdir}"
  RESULT_VARIABLE built OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "the program did not compile:\n${out}${err}")
endif()
execute_process(COMMAND "${program}" RESULT_VARIABLE ran OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT ran EQUAL 0)
  message(FATAL_ERROR "the program failed (${ran}):\n${out}${err}")
endif()
message(STATUS "${out}")
