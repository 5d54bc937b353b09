# Desktop integration: the launcher entry, the application icon, the JSON Lines file type and
# the software-centre description, installed where freedesktop.org desktops look for them.
# The programs install themselves.
include(GNUInstallDirs)

set(quill_app_id io.github.quillometer.Quillometer)
set(quill_resources ${PROJECT_SOURCE_DIR}/resources)

install(FILES ${quill_resources}/${quill_app_id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${quill_resources}/${quill_app_id}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${quill_resources}/${quill_app_id}.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${quill_resources}/${quill_app_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
