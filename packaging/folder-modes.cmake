# Run by CPack on the staged tree before it is packed: every folder 0755, whatever the packager's umask
# left (mkdir takes the umask off the install's folder mode, so 077 would ship /usr as 0700).
file(GLOB_RECURSE folders LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(FILTER folders EXCLUDE REGEX "/DEBIAN$")
foreach(folder IN LISTS folders)
    if(IS_DIRECTORY "${folder}")
        file(CHMOD "${folder}" DIRECTORY_PERMISSIONS
            OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
endforeach()
