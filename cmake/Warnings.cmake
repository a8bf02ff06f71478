# Warnings are errors everywhere: GCC/Clang -Wall -Wextra, MSVC /W4.
function(vantrel_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /WX /permissive- /utf-8)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    endif()
endfunction()
