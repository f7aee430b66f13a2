# Makes the stage: cmake -DBUILD=<build> -DSTAGE=<stage> -DSETUP=<name of
# olvenSetup> -DSTAMP=<stamp file> -P stage.cmake. The stage is made anew:
# runimage/ by the build's install rules, olvenSetup beside it.
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${STAGE}/runimage
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The install into ${STAGE}/runimage failed:\n${output}")
endif()
file(COPY_FILE ${STAGE}/runimage/${SETUP} ${STAGE}/${SETUP})
file(TOUCH ${STAMP})
