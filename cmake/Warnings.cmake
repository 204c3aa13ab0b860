# Warnings apply to our own targets only, never to imported ones.
function(tarvo_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
  if(WIN32)
    # MinGW's g++ 12 reports null dereferences and overlapping copies
    # inside libstdc++'s inlined string and stream code at -O2 (none in
    # ours, which the Linux presets keep checking).
    target_compile_options(${target} PRIVATE -Wno-null-dereference -Wno-restrict)
  endif()
  if(TARVO_SANITIZE_THREAD)
    # With ThreadSanitizer's instrumentation g++ 12 reports null
    # dereferences inside libstdc++'s inlined string and stream code (none
    # in ours); the other presets keep the warning.
    target_compile_options(${target} PRIVATE -Wno-null-dereference)
  endif()
endfunction()
