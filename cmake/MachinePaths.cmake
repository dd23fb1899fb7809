# The machine's folders from scripts/machine-paths, as REDATE_<NAME> cache entries.
file(STRINGS ${PROJECT_SOURCE_DIR}/scripts/machine-paths machine_paths REGEX "^[A-Z_]+=")
foreach(line IN LISTS machine_paths)
    string(REGEX MATCH "^([A-Z_]+)=(.*)$" _ "${line}")
    set(REDATE_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}" CACHE PATH "From scripts/machine-paths")
endforeach()
