# Installs the build into a scratch prefix, then configures, builds and runs
# a consumer that finds the package there.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(path include/qeloridm/irdb.h include/tarn/tarn.h bin/irstore ${LIBDIR}/cmake/irstore/irstoreConfig.cmake
             share/irstore/schema/sqlite.sql)
  if(NOT EXISTS ${prefix}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G Ninja
                        -DCMAKE_PREFIX_PATH=${prefix}
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the consumer does not configure against the installed package")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the consumer does not build against the installed package")
endif()
execute_process(COMMAND ${WORK_DIR}/build/consumer RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the consumer failed")
endif()
execute_process(COMMAND ${prefix}/bin/irstore --help RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "the installed tool does not run")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
