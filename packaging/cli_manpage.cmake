# Writes kestro-cli.1 with help2man: the program's --help is the synopsis, and each verb's own
# --help becomes a section, so every option the parser knows is in the page.
# Inputs: CLI, HELP2MAN, VERSION, OUT.
set(include_file "${OUT}.h2m")
set(text "[DESCRIPTION]\nkestro-cli frames phone screen recordings into device frames and exports them \
as presentation videos, without a window. It is the headless front end of the Kestro editor.\n\n\
[COMMANDS]\n")
foreach(verb frames frame-info export still devices record)
  execute_process(COMMAND "${CLI}" ${verb} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CLI} ${verb} --help failed (${status})")
  endif()
  # roff treats a leading dot or quote as a request; escape them and keep the help's layout.
  string(REPLACE "\\" "\\\\" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND text ".SS ${verb}\n.nf\n${help}.fi\n")
endforeach()
string(APPEND text "\n[EXIT STATUS]\n0 success, 1 the operation failed (the error's description and \
recovery suggestion on standard error), 2 bad usage, 130 cancelled by Ctrl-C.\n")
file(WRITE "${include_file}" "${text}")
execute_process(
  COMMAND "${HELP2MAN}" --no-info --no-discard-stderr --version-string=${VERSION}
          "--name=frame phone screen recordings into device frames" --section=1
          "--include=${include_file}" --output=${OUT} "${CLI}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed (${status})")
endif()
