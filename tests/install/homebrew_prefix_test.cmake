# Which Homebrew prefix a macOS build searches: brew's own answer alone when it gives one, else
# the first usual place that exists. Run with cmake -DSOURCE=<tree> -DSCRATCH=<folder> -P.
include("${SOURCE}/packaging/homebrew_prefix.cmake")
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}/opt-homebrew" "${SCRATCH}/usr-local")
set(silicon "${SCRATCH}/opt-homebrew")
set(intel "${SCRATCH}/usr-local")

function(expect answer expected)
  kestro_homebrew_prefixes(got "${answer}" ${ARGN})
  if(NOT got STREQUAL expected)
    message(FATAL_ERROR "brew answered '${answer}': searched '${got}', expected '${expected}'")
  endif()
endfunction()

# A leftover Intel Homebrew does not join the Apple silicon one brew names.
expect("${silicon}" "${silicon}" "${silicon}" "${intel}")
expect("${intel}" "${intel}" "${silicon}" "${intel}")
# No brew on the PATH, or an answer that is no folder: the first usual place there is.
expect("" "${silicon}" "${silicon}" "${intel}")
expect("${SCRATCH}/gone" "${intel}" "${SCRATCH}/missing" "${intel}")
expect("" "" "${SCRATCH}/missing")
file(REMOVE_RECURSE "${SCRATCH}")
