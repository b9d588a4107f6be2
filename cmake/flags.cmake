# Compiler flags for our own code. Floating point must give the same answers
# in both builds: SSE arithmetic on i686 (x87 excess precision would change
# float results), no contraction into fused multiply-adds, no fast-math.
set(ZARN_WARNINGS -Wall -Wextra -Wpedantic -Werror)
add_compile_options(-ffp-contract=off)
if(WIN32)
  add_compile_options(-msse2 -mfpmath=sse)
  # Only system DLLs at run time: the C++ runtime and winpthread go in statically.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()
if(ZARN_SANITIZE)
  set(ZARN_SAN_FLAGS -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  add_compile_options(${ZARN_SAN_FLAGS})
  add_link_options(${ZARN_SAN_FLAGS})
endif()

if(ZARN_FUZZ)
  # Coverage in every unit, not only the targets, so the fuzzers are
  # guided through the toolkit, the runner and the module as well.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(ZARN_TSAN)
  if(ZARN_SANITIZE)
    message(FATAL_ERROR "ZARN_TSAN and ZARN_SANITIZE cannot be combined")
  endif()
  set(ZARN_TSAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
  add_compile_options(${ZARN_TSAN_FLAGS})
  add_link_options(${ZARN_TSAN_FLAGS})
endif()

function(zarn_target_flags target)
  target_compile_options(${target} PRIVATE ${ZARN_WARNINGS})
endfunction()
