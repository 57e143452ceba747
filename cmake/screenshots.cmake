# Takes the software centre screenshots of the three games: each runs headless in a scratch folder with
# the shipped profile, shows its start screen, skips the tutorial and plays a little.
# Arguments: GAME_DIR (the built game folder), PROFILE (the shipped version.xml), OUT (where the PNGs go).
set(scratch ${OUT}/scratch)
file(REMOVE_RECURSE ${scratch})
file(MAKE_DIRECTORY ${scratch}/records ${OUT})
foreach(folder data sounds music settings)
    file(CREATE_LINK ${GAME_DIR}/${folder} ${scratch}/${folder} SYMBOLIC)
endforeach()
file(COPY_FILE ${PROFILE} ${scratch}/version.xml)

# Space skips the tutorial just after the splash; then pieces are asked for (double clicks in shapes,
# the space bar in chains and cubes) until the glass holds a few.
foreach(program shapes chains cubes)
    set(script "14000 key space down\n14100 key space up\n15000 mouse 230 100\n")
    foreach(t RANGE 16000 30000 2000)
        math(EXPR t1 "${t} + 40")
        math(EXPR t2 "${t} + 100")
        math(EXPR t3 "${t} + 140")
        if(program STREQUAL "shapes")
            string(APPEND script "${t} button left down\n${t1} button left up\n${t2} button left down\n${t3} button left up\n")
        else()
            string(APPEND script "${t} key space down\n${t2} key space up\n")
        endif()
    endforeach()
    file(WRITE ${scratch}/${program}.script "${script}")
    execute_process(
        COMMAND ${GAME_DIR}/${program} --headless --frame-ms 20 --dir ${scratch} --date 2026-06-15
                --script ${scratch}/${program}.script --shot 13600:${OUT}/${program}-start.png
                --shot 32000:${OUT}/${program}-play.png --quit-at 32100
        RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT EXISTS ${OUT}/${program}-play.png)
        message(FATAL_ERROR "the screenshots of ${program} failed (exit status ${status})")
    endif()
endforeach()
file(REMOVE_RECURSE ${scratch})
