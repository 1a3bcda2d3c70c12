# The compiler flags every target of the project shares, on one INTERFACE
# target that every target links. Used by the main build and by the fuzzing
# build of tests/fuzz, which turns PAIRWELL_FUZZ on.
add_library(pairwell_flags INTERFACE)
target_compile_options(pairwell_flags INTERFACE -Wall -Wextra)
target_compile_definitions(pairwell_flags INTERFACE QT_NO_KEYWORDS QT_USE_QSTRINGBUILDER)
if(PAIRWELL_WERROR)
  target_compile_options(pairwell_flags INTERFACE -Werror)
endif()
if(PAIRWELL_SANITIZE OR PAIRWELL_FUZZ)
  target_compile_options(pairwell_flags INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(pairwell_flags INTERFACE -fsanitize=address,undefined)
endif()
if(PAIRWELL_FUZZ)
  target_compile_options(pairwell_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()
