# Which Homebrew prefixes a macOS build searches. `brew --prefix` answers for the Homebrew on the
# PATH; only when there is none is the first of the usual places that exists taken. A leftover Intel Homebrew in
# /usr/local must not shadow the Apple silicon one in /opt/homebrew that the user really runs.
#   kestro_homebrew_prefixes(OUT BREW_ANSWER FALLBACK...)
function(kestro_homebrew_prefixes out answer)
  set(found "")
  if(answer AND IS_DIRECTORY "${answer}")
    set(found "${answer}")
  else()
    foreach(prefix IN LISTS ARGN)
      if(IS_DIRECTORY "${prefix}")
        set(found "${prefix}")
        break()
      endif()
    endforeach()
  endif()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()
