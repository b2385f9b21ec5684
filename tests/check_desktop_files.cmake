# Installs the build into a scratch prefix and checks what the desktop will find there: the program,
# the desktop entry, the AppStream metadata and the icon in the hicolor theme, all named by the
# application id; the desktop entry and the metadata must pass the desktop's own validators without
# a single remark (desktop-file-validate exits 0 even on hints and on errors it calls future ones).
# Arguments: -DBUILD_DIR= -DPREFIX= -DAPP_ID=
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "install failed: ${errors}")
endif()

set(desktop ${PREFIX}/share/applications/${APP_ID}.desktop)
set(metainfo ${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml)
foreach(path bin/siteloom share/applications/${APP_ID}.desktop share/metainfo/${APP_ID}.metainfo.xml
        share/icons/hicolor/scalable/apps/${APP_ID}.svg share/icons/hicolor/16x16/apps/${APP_ID}.png
        share/icons/hicolor/48x48/apps/${APP_ID}.png share/icons/hicolor/256x256/apps/${APP_ID}.png)
    if(NOT EXISTS ${PREFIX}/${path})
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()

find_program(desktop_file_validate desktop-file-validate REQUIRED)
execute_process(COMMAND ${desktop_file_validate} ${desktop}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate ${desktop}:\n${output}")
endif()

# appstreamcli prints one line of success when it has nothing to remark, and each remark on a line
# of its own before the summary. The success line begins with a check mark, or with "?" where the
# locale cannot show one.
find_program(appstreamcli appstreamcli REQUIRED)
foreach(check "validate;--no-net;${metainfo}" "validate-tree;--no-net;${PREFIX}")
    execute_process(COMMAND ${appstreamcli} ${check}
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    string(STRIP "${output}" output)
    if(NOT result EQUAL 0 OR NOT output MATCHES "^[^ ]+ Validation was successful\\.$")
        string(REPLACE ";" " " command "${check}")
        message(FATAL_ERROR "appstreamcli ${command}:\n${output}")
    endif()
endforeach()
