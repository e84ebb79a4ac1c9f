# Writes a manual page (section 1) that holds a program's --help text as it
# stands, line for line, so the page and the program never disagree.
#   cmake -DPROGRAM=path -DNAME=name -DSUMMARY=text -DVERSION=x.y.z -DOUTPUT=file.1 -P help_to_man.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help ERROR_VARIABLE help_error RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${NAME} --help failed (${status}): ${help_error}")
endif()

# roff: a backslash is \e, and a line may not start with a dot or a quote.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(REGEX REPLACE "\n$" "" help "${help}")
string(TOUPPER "${NAME}" title)
string(REPLACE "-" "\\-" summary "${SUMMARY}")

file(WRITE ${OUTPUT} ".TH ${title} 1 \"\" \"Tarvel ${VERSION}\" \"User Commands\"
.SH NAME
${NAME} \\- ${summary}
.SH DESCRIPTION
.nf
${help}
.fi
")
