# Common settings for every target of our own: warnings as errors, optional sanitizers.

# Release means -O2, the level benchmarks are measured at (at -O3 GCC 12 also reports false
# -Wrestrict warnings inside std::string).
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")

if(NIMBROOK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

function(nimbrook_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
endfunction()

# nimbrook_library(name SOURCES ... [LINKS ...]) — one static library per subsystem folder.
function(nimbrook_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    nimbrook_defaults(${name})
    if(ARG_LINKS)
        target_link_libraries(${name} PUBLIC ${ARG_LINKS})
    endif()
endfunction()

# nimbrook_test(name [GUI [MAIN library]] [BOTH_RATIOS] SOURCES ... [LINKS ...] [LABELS ...]) — one
# discovered GoogleTest binary. GUI: the binary gets a main that creates a QApplication on the
# offscreen platform at a fixed 96 DPI (tests/support), or the main of MAIN's library instead, and
# its tests run with QT_QPA_PLATFORM=offscreen. BOTH_RATIOS: the tests run once more as on a desktop
# scaled to 200 % (nimbrook_discover_at_ratio_two).
function(nimbrook_test name)
    cmake_parse_arguments(ARG "GUI;BOTH_RATIOS" "MAIN" "SOURCES;LINKS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/Sweepreaderlocation.cpp)
    nimbrook_defaults(${name})
    target_compile_definitions(${name} PRIVATE NIMBROOK_SWEEPREAD_EXE="$<TARGET_FILE:nimbrook-sweepread>")
    add_dependencies(${name} nimbrook-sweepread)
    if(ARG_GUI)
        if(NOT ARG_MAIN)
            set(ARG_MAIN nimbrook_gui_test_main)
        endif()
        target_link_libraries(${name} PRIVATE ${ARG_LINKS} ${ARG_MAIN} GTest::gtest)
        set(environment ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    else()
        target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gtest_main)
        set(environment "")
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${ARG_LABELS}" ${environment})
    if(ARG_BOTH_RATIOS)
        # The GUI mains choose the offscreen platform themselves.
        nimbrook_discover_at_ratio_two(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
endfunction()

# nimbrook_discover_at_ratio_two(target [TEST_PREFIX p] [TEST_FILTER f] [PROPERTIES ...]) — the
# target's tests once more at a device pixel ratio of 2 (QT_SCALE_FACTOR=2), named
# "Ratio2.<prefix><test>": every widget and window keeps its size in pixels while the screen shows
# it with four device pixels to each. The ENVIRONMENT property is this function's; PROPERTIES must
# not set it (one value per property gets through test discovery).
function(nimbrook_discover_at_ratio_two target)
    cmake_parse_arguments(ARG "" "TEST_PREFIX;TEST_FILTER" "PROPERTIES" ${ARGN})
    set(filter "")
    if(ARG_TEST_FILTER)
        set(filter TEST_FILTER "${ARG_TEST_FILTER}")
    endif()
    gtest_discover_tests(${target} TEST_PREFIX "Ratio2.${ARG_TEST_PREFIX}" ${filter} DISCOVERY_TIMEOUT 60
                         PROPERTIES ${ARG_PROPERTIES} ENVIRONMENT "QT_SCALE_FACTOR=2")
endfunction()

# nimbrook_install_program(target) — a program users run: installed into bin/ (and packaged).
function(nimbrook_install_program target)
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# nimbrook_qt_free(OUTPUT file TARGETS ...) — the libraries that must not use Qt. Configuring fails
# when one of them links Qt, itself or through another library of ours; the absolute paths of their
# C++ sources go to `file`, one a line (the files scripts/lint.sh checks by default).
function(nimbrook_qt_free)
    cmake_parse_arguments(ARG "" "OUTPUT" "TARGETS" ${ARGN})
    set(sources "")
    foreach(library IN LISTS ARG_TARGETS)
        if(NOT TARGET ${library})
            message(FATAL_ERROR "nimbrook_qt_free: no target ${library}")
        endif()
        set(pending ${library})
        set(seen "")
        while(pending)
            list(POP_FRONT pending current)
            list(APPEND seen ${current})
            get_target_property(links ${current} LINK_LIBRARIES)
            get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
            foreach(link IN LISTS links interface)
                if(link MATCHES "^Qt[0-9]*::")
                    message(FATAL_ERROR "${library} must not use Qt, but ${current} links ${link}")
                endif()
                if(link MATCHES "^nimbrook_" AND TARGET ${link} AND NOT link IN_LIST seen)
                    list(APPEND pending ${link})
                endif()
            endforeach()
        endwhile()
        get_target_property(folder ${library} SOURCE_DIR)
        get_target_property(files ${library} SOURCES)
        foreach(file IN LISTS files)
            if(file MATCHES "\\.cpp$")
                cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY ${folder} NORMALIZE)
                string(APPEND sources "${file}\n")
            endif()
        endforeach()
    endforeach()
    file(CONFIGURE OUTPUT ${ARG_OUTPUT} CONTENT "${sources}" @ONLY)
endfunction()
