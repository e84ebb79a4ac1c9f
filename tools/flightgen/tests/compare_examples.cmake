# Regenerates the sample flights of examples/ into OUT with FLIGHTGEN and
# fails unless every file comes out byte for byte as committed.
execute_process(COMMAND bash ${EXAMPLES}/regenerate.sh ${FLIGHTGEN} ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "regenerate.sh failed: ${status}")
endif()
file(GLOB examples RELATIVE ${EXAMPLES} ${EXAMPLES}/*.rcd)
foreach(name IN LISTS examples)
  if(NOT EXISTS ${OUT}/${name})
    continue()  # a record made by other means (a download), not by the generator
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXAMPLES}/${name} ${OUT}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} differs from what examples/regenerate.sh makes now; "
                        "regenerate the examples if the generator changed on purpose")
  endif()
endforeach()
