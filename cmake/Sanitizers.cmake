# The checking builds, for GCC and Clang: AddressSanitizer with UndefinedBehaviorSanitizer,
# ThreadSanitizer, and libFuzzer's coverage (clang).
if((TALVERO_SANITIZE OR TALVERO_SANITIZE_THREAD OR TALVERO_FUZZ) AND MSVC)
    message(FATAL_ERROR "The sanitizer and fuzzing builds need GCC or Clang")
endif()

# Whatever the build type, the checking builds compile at -O1 with line tables only (-g1, after
# the build type's flags, so that it wins): half the compile time of -O2 -g, and all that a
# sanitizer's or the fuzzer's report needs to name functions, files and lines.
if(TALVERO_SANITIZE OR TALVERO_SANITIZE_THREAD OR TALVERO_FUZZ)
    add_compile_options(-O1 -g1)
endif()

if(TALVERO_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()

if(TALVERO_SANITIZE_THREAD)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

if(TALVERO_FUZZ)
    # Coverage for libFuzzer in all code; only the fuzz targets link the fuzzer's main.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
