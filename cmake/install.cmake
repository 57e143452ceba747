# What `cmake --install` puts under the prefix: the three programs in bin/, their read-only data in
# share/pelorina/, a menu entry, icons, a software centre entry and a manual page for each game.
# An installed game keeps each player's own files in $XDG_DATA_HOME/pelorina/.

set(PELORINA_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/pelorina)
set(DIST_DIR ${CMAKE_SOURCE_DIR}/dist)
set(DIST_OUT ${CMAKE_BINARY_DIR}/dist)
set(ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(SCREENSHOT_DIR ${CMAKE_BINARY_DIR}/screenshots)

install(TARGETS shapes chains cubes RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The shipped profile comes from the sources: the one in the game folder is the developer's own.
install(DIRECTORY ${GAME_DIR}/data ${GAME_DIR}/sounds ${GAME_DIR}/music ${GAME_DIR}/settings
        DESTINATION ${PELORINA_DATA_DESTINATION})
install(FILES ${CMAKE_SOURCE_DIR}/game/version.xml DESTINATION ${PELORINA_DATA_DESTINATION})

# Menu icons drawn by the asset generator.
add_custom_command(
    OUTPUT ${ICON_DIR}/.icons.stamp
    COMMAND assetgen --icons ${ICON_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${ICON_DIR}/.icons.stamp
    DEPENDS assetgen
    COMMENT "Drawing the menu icons")
add_custom_target(menu_icons ALL DEPENDS ${ICON_DIR}/.icons.stamp)
install(DIRECTORY ${ICON_DIR}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# Screenshots for the software centres, taken from the games themselves (headless, in a scratch folder).
# They are taken again when the art changes, not on every rebuild of the programs; instrumented builds
# (sanitizers, fuzzing) are never installed and skip them.
if(NOT PELORINA_SANITIZE AND NOT PELORINA_FUZZ)
    set(SCREENSHOT_FILES)
    foreach(program shapes chains cubes)
        list(APPEND SCREENSHOT_FILES ${SCREENSHOT_DIR}/${program}-start.png ${SCREENSHOT_DIR}/${program}-play.png)
    endforeach()
    add_custom_command(
        OUTPUT ${SCREENSHOT_FILES}
        COMMAND ${CMAKE_COMMAND} -DGAME_DIR=${GAME_DIR} -DPROFILE=${CMAKE_SOURCE_DIR}/game/version.xml
                -DOUT=${SCREENSHOT_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/screenshots.cmake
        DEPENDS ${GAME_DIR}/.assets.stamp ${CMAKE_SOURCE_DIR}/cmake/screenshots.cmake
        COMMENT "Taking the screenshots of the software centre entries")
    add_custom_target(screenshots ALL DEPENDS ${SCREENSHOT_FILES})
    add_dependencies(screenshots shapes chains cubes game_settings)
    install(FILES ${SCREENSHOT_FILES} DESTINATION ${PELORINA_DATA_DESTINATION}/screenshots)
endif()

# One desktop entry, software centre entry and manual page per game.
set(APP_shapes_ID org.pelorina.Shapes)
set(APP_shapes_NAME "Pelorina Shapes")
set(APP_shapes_NAME_RU "Пелорина: Фигуры")
set(APP_shapes_SUMMARY "Swap block colours until whole pieces match")
set(APP_shapes_SUMMARY_RU "Меняйте цвета блоков, пока фигуры не станут одноцветными")
set(APP_shapes_DESCRIPTION "Pieces of three or four blocks in two or three colours drop into the glass. Drag a block with the mouse onto a block of another piece and the two swap colours; a piece whose blocks all share one colour vanishes for points. Enough successful swaps, and the special blocks removed, win a level; failed swaps use up the allowed mistakes.")
set(APP_shapes_DESCRIPTION_RU "В стакан падают фигуры из трёх-четырёх блоков двух или трёх цветов. Перетащите мышью блок на блок другой фигуры, и они поменяются цветами; фигура, все блоки которой одного цвета, исчезает и приносит очки. Уровень пройден после нужного числа удачных обменов и удаления особых блоков; неудачные обмены расходуют допустимые ошибки.")
set(APP_shapes_INDEX 2)
set(APP_chains_ID org.pelorina.Chains)
set(APP_chains_NAME "Pelorina Chains")
set(APP_chains_NAME_RU "Пелорина: Цепочки")
set(APP_chains_SUMMARY "Link falling blocks of one colour into chains")
set(APP_chains_SUMMARY_RU "Сцепляйте падающие блоки одного цвета в цепочки")
set(APP_chains_DESCRIPTION "Steer and turn the falling piece with the arrow keys, Ctrl and Alt, and add pieces with the space bar. Touching blocks of one colour link into chains, and long enough chains vanish for points. Fill the bar to win a level; it drains over time while the pieces fall faster.")
set(APP_chains_DESCRIPTION_RU "Направляйте и поворачивайте падающую фигуру стрелками, Ctrl и Alt, добавляйте фигуры пробелом. Соприкасающиеся блоки одного цвета сцепляются в цепочки, и достаточно длинные цепочки исчезают, принося очки. Заполните шкалу, чтобы пройти уровень; она убывает со временем, а фигуры падают всё быстрее.")
set(APP_chains_INDEX 1)
set(APP_cubes_ID org.pelorina.Cubes)
set(APP_cubes_NAME "Pelorina Cubes")
set(APP_cubes_NAME_RU "Пелорина: Кубики")
set(APP_cubes_SUMMARY "Group three blocks of one colour before they freeze")
set(APP_cubes_SUMMARY_RU "Собирайте по три блока одного цвета, пока они не замёрзли")
set(APP_cubes_DESCRIPTION "Steer the falling pieces as in Chains. Three or more touching blocks of one colour vanish for points; blocks that rest too long freeze into grey ice, and bonus blocks blast their neighbours. A number of removals wins a level.")
set(APP_cubes_DESCRIPTION_RU "Управление как в Цепочках. Три и более соприкасающихся блока одного цвета исчезают, принося очки; блоки, лежащие слишком долго, замерзают в серый лёд, а бонусные блоки взрывают соседей. Уровень пройден после нужного числа удалений.")
set(APP_cubes_INDEX 0)

set(DATADIR ${CMAKE_INSTALL_FULL_DATADIR})
set(RELEASE_DATE ${PELORINA_RELEASE_DATE})
set(SCREENSHOT_URL ${PELORINA_SCREENSHOT_URL})
foreach(program shapes chains cubes)
    set(PROGRAM ${program})
    string(TOUPPER ${program} PROGRAM_UPPER)
    foreach(field ID NAME NAME_RU SUMMARY SUMMARY_RU DESCRIPTION DESCRIPTION_RU INDEX)
        set(APP_${field} "${APP_${program}_${field}}")
    endforeach()
    set(VARIANT_INDEX ${APP_INDEX})
    string(TOLOWER "${APP_SUMMARY}" APP_SUMMARY_LOWER)
    configure_file(${DIST_DIR}/metainfo.xml.in ${DIST_OUT}/${APP_ID}.metainfo.xml @ONLY)
    configure_file(${DIST_DIR}/game.6.in ${DIST_OUT}/${program}.6 @ONLY)
    install(FILES ${DIST_DIR}/${APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${DIST_OUT}/${APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${DIST_OUT}/${program}.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()
