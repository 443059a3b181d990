# Compiler settings shared by every target of the project.

if(WIN32)
  # The program uses the Unicode entry points of the Win32 API throughout.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  if(MINGW)
    # One self-contained .exe: no MinGW runtime DLLs next to it.
    add_link_options(-static -static-libgcc -static-libstdc++)
  endif()
endif()

if(MSVC)
  add_compile_options(/utf-8 /EHsc)
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
endif()

if(ZELMO_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings for the project's own targets (not for third-party code built alongside).
function(zelmo_target_defaults target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${ZELMO_WERROR}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
      -Wno-sign-conversion $<$<BOOL:${ZELMO_WERROR}>:-Werror>)
  endif()
endfunction()
