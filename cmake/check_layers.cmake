# The layering check: every #include "FOLDER/..." of a source file must name a folder its own
# folder may use. Run by the build (target plotaktar_layers, which every library of src/ and
# fuzz/ waits for), so that an include across a forbidden edge fails the build:
#   cmake -DROOT=<source root> -DSTAMP=<file to touch> -P check_layers.cmake
#
# From the ground up: platform; model (plain C++: tables, kinds, texts); import and plotfile;
# drawing; render and the Qt text helpers; exchange (the features and DXF, no GDAL); gis (the GIS
# formats and coordinate systems through GDAL);
# the programs. testing/ is the scripted user, for the
# CLI's run, the tests, the benchmark and the fuzzers.

set(allowed_platform platform)
set(allowed_model model platform)
set(allowed_testing testing model platform)
set(allowed_ui ui model platform)
set(allowed_import import model platform)
set(allowed_plotfile plotfile model platform)
set(allowed_drawing drawing import plotfile model platform)
set(allowed_qt qt model platform)
# The check of a drawing (GEOS): in plotaktar-check and the viewer, never in plotaktar-cli.
# The comparison of two revisions (plain C++): in plotaktar-cli, the render helper and the viewer.
set(allowed_compare compare drawing import plotfile model platform)
set(allowed_check check drawing import plotfile model platform)
set(allowed_render render drawing import plotfile model platform qt)
set(allowed_exchange exchange drawing import plotfile model platform)
set(allowed_gis gis exchange drawing import plotfile model platform)
# The GDAL read driver: Qt-free, as QGIS on Debian 12 is Qt 5.
set(allowed_ogr_driver ogr_driver gis exchange drawing import plotfile model platform)
set(allowed_cli cli ui testing check compare drawing render exchange gis import plotfile model platform qt)
set(allowed_app app ui import plotfile model platform qt)
# The window on Windows (Win32): the same layers as the Linux window, without Qt.
set(allowed_win win ui import plotfile model platform)
set(allowed_viewer viewer check compare drawing render exchange gis import plotfile model platform qt)
# The fuzzers are built from the core and the drawing model, without Qt.
set(allowed_fuzz fuzz testing drawing import plotfile model platform)

set(folders platform model ui testing import plotfile drawing compare check qt render exchange gis ogr_driver cli app win viewer)
set(problems "")
foreach(folder ${folders} fuzz)
    if(folder STREQUAL "fuzz")
        set(dir ${ROOT}/fuzz)
    else()
        set(dir ${ROOT}/src/${folder})
    endif()
    file(GLOB_RECURSE sources ${dir}/*.cpp ${dir}/*.h)
    foreach(source ${sources})
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
        foreach(line ${includes})
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/.*" "\\1" used "${line}")
            list(FIND folders ${used} known)
            if(known GREATER -1 OR used STREQUAL "fuzz")
                list(FIND allowed_${folder} ${used} found)
                if(found EQUAL -1)
                    file(RELATIVE_PATH name ${ROOT} ${source})
                    string(APPEND problems "  ${name}: ${folder}/ may not include ${used}/\n")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()
if(problems)
    message(FATAL_ERROR "Includes across the layers:\n${problems}")
endif()
file(TOUCH ${STAMP})
