# Writes the table of EPSG coordinate systems by kind (src/exchange/system_kinds.cpp) from
# PROJ's database, as runs of consecutive codes of one kind:
#   cmake -DSQLITE3=sqlite3 -DPROJ_DB=proj.db -DOUTPUT=epsg_kinds_table.inc -P epsg_kinds.cmake
# A kind the table has no name for fails the build, so that a newer database is looked at.

# Runs: consecutive codes (code less its rank is constant) of one kind (rank less the rank
# among the kind's codes is constant).
set(query "
WITH kinds AS (
    SELECT CAST(code AS INTEGER) AS code, type AS kind FROM crs_view WHERE auth_name = 'EPSG'),
numbered AS (
    SELECT code, kind,
           code - ROW_NUMBER() OVER (ORDER BY code) AS island,
           ROW_NUMBER() OVER (ORDER BY code)
               - ROW_NUMBER() OVER (PARTITION BY kind ORDER BY code) AS stretch
    FROM kinds)
SELECT MIN(code) || ' ' || COUNT(*) || ' ' || REPLACE(kind, ' ', '_')
FROM numbered GROUP BY island, stretch, kind ORDER BY MIN(code);")

execute_process(COMMAND ${SQLITE3} -readonly ${PROJ_DB} ${query}
    OUTPUT_VARIABLE rows RESULT_VARIABLE status ERROR_VARIABLE problem)
if(NOT status EQUAL 0 OR rows STREQUAL "")
    message(FATAL_ERROR "${PROJ_DB}: no coordinate systems read: ${problem}")
endif()

set(kind_projected Projected)
set(kind_geographic_2D Geographic2D)
set(kind_geographic_3D Geographic3D)
set(kind_geocentric Geocentric)
set(kind_vertical Vertical)
set(kind_compound Compound)
set(kind_engineering Engineering)

string(REPLACE "\n" ";" rows "${rows}")
set(text "// Made from ${PROJ_DB} by cmake/epsg_kinds.cmake: first code, count, kind.\n")
foreach(row IN LISTS rows)
    if(row STREQUAL "")
        continue()
    endif()
    separate_arguments(fields UNIX_COMMAND "${row}")
    list(GET fields 0 first)
    list(GET fields 1 count)
    list(GET fields 2 kind)
    if(NOT DEFINED kind_${kind})
        message(FATAL_ERROR "${PROJ_DB}: EPSG:${first} is of a kind with no name here: ${kind}")
    endif()
    if(count GREATER 65535)
        message(FATAL_ERROR "${PROJ_DB}: a run of ${count} codes from EPSG:${first}")
    endif()
    string(APPEND text "{${first}, ${count}, SystemKind::${kind_${kind}}},\n")
endforeach()

file(WRITE ${OUTPUT} "${text}")
