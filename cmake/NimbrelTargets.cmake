# SPDX-License-Identifier: GPL-2.0-or-later
# Settings shared by every target of our own (generated and third-party code does not use them).
function(nimbrel_target target)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Werror>)
    if(WIN32)
        target_compile_definitions(${target} PUBLIC UNICODE _UNICODE NOMINMAX
                                   _WIN32_WINNT=0x0A00 WINVER=0x0A00 NTDDI_VERSION=0x0A000000)
    endif()
endfunction()

# A Windows executable that runs on any Windows 10/11 by itself: no MinGW runtime DLLs beside it.
function(nimbrel_static_runtime target)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()
