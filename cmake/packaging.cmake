# The Debian package (cpack -G DEB, as scripts/package runs it): both programs, the sample
# spreadsheets, and for the window program its desktop entry and icons.
include(GNUInstallDirs)

if(FENBAN_WITH_GUI)
    install(FILES ${PROJECT_SOURCE_DIR}/data/fenban.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/fenban.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size 16 32 48 64 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/data/icons/fenban-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME fenban.png)
    endforeach()
endif()

set(CPACK_PACKAGE_NAME fenban)
set(CPACK_PACKAGE_VENDOR "fenban")
set(CPACK_PACKAGE_CONTACT "fenban 开发组 / fenban developers <fenban@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack indents the lines after the summary and writes the empty one as " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "新生分班 - divides new students into balanced classes
把一个年级的新生均衡地分到各班: 男女、类别、各科成绩分段均衡, 同音姓名分开,
再微调使各班平均分接近; 查看各班统计、查询学生、导出到电子表格.

Divides a school's new students into balanced classes: boys and girls, student
categories and score bands evenly shared, same-sounding names kept apart, class
averages evened out. Includes the window program fenban and the command line
program fenban-cli.")
# dpkg-shlibdeps finds the libraries the programs link to, but not the Qt plugins loaded at run
# time (SQLite driver, SVG icon, platform), nor Qt's Chinese texts and a font with Chinese characters.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, libqt6svg6, qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk")
include(CPack)
