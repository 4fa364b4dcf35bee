# One place for the warning flags every target of ours gets; -Werror when RZ4_WERROR is on (CI).
function(rz4_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wold-style-cast -Wcast-align -Woverloaded-virtual)
    if(RZ4_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
