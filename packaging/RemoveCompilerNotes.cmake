# Run by CPack on its staging tree before packing: removes the sections
# Debian's dh_strip removes too (the compiler's .comment and .note), which
# the programs do not need.
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_DIRECTORY}/*/usr/bin/*")
foreach(program IN LISTS programs)
    execute_process(COMMAND objcopy --remove-section=.comment --remove-section=.note ${program}
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
