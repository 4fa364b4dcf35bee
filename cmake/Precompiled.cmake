# Precompiled headers. A source of ours that uses Qt spent most of its compile time (2.9 s of
# 3.7 s for a window source) parsing the same Qt and standard headers again; precompiled, they
# cost it 0.5 s (and a test on the standard library and gtest alone saves 0.7 s). One header is
# precompiled per kind of target, and every target of that kind reuses it: GCC takes one only
# where the macros it was made with are defined alike (the QT_*_LIB of the linked modules, gtest's)
# and -fPIC agrees, so the kind is what a target links: Qt Widgets, Qt Core or neither, with gtest
# or without. A source still includes what it uses: with -DRZ4_PCH=OFF one that does not fails.
option(RZ4_PCH "Precompile the Qt, standard and test headers that most sources include" ON)

set(rz4_pch_std <algorithm> <array> <chrono> <cstdint> <cstdio> <cstdlib> <cstring> <functional>
                <map> <memory> <optional> <string> <string_view> <utility> <vector>)
set(rz4_pch_core
    ${rz4_pch_std}
    <QtCore/QByteArray>
    <QtCore/QCoreApplication>
    <QtCore/QDateTime>
    <QtCore/QDir>
    <QtCore/QElapsedTimer>
    <QtCore/QEventLoop>
    <QtCore/QFile>
    <QtCore/QHash>
    <QtCore/QIODevice>
    <QtCore/QObject>
    <QtCore/QPointer>
    <QtCore/QProcess>
    <QtCore/QString>
    <QtCore/QStringList>
    <QtCore/QTemporaryDir>
    <QtCore/QTimer>
    <QtCore/QUrl>)
set(rz4_pch_widgets
    ${rz4_pch_core}
    <QtGui/QAccessible>
    <QtGui/QGuiApplication>
    <QtGui/QImage>
    <QtGui/QKeyEvent>
    <QtGui/QMouseEvent>
    <QtGui/QPainter>
    <QtGui/QScreen>
    <QtGui/QWindow>
    <QtWidgets/QApplication>
    <QtWidgets/QWidget>)

# What a target links, directly or through the libraries it links (imported ones too).
function(rz4_link_closure target out)
    set(seen ${${out}})
    set(pending ${target})
    while(pending)
        list(POP_FRONT pending item)
        if(item IN_LIST seen OR NOT TARGET ${item})
            continue()
        endif()
        list(APPEND seen ${item})
        get_target_property(type ${item} TYPE)
        get_target_property(imported ${item} IMPORTED)
        set(links)
        if(NOT imported AND NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(direct ${item} LINK_LIBRARIES)
            if(direct)
                list(APPEND links ${direct})
            endif()
        endif()
        get_target_property(interface ${item} INTERFACE_LINK_LIBRARIES)
        if(interface)
            list(APPEND links ${interface})
        endif()
        foreach(link IN LISTS links)
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
            list(APPEND pending ${link})
        endforeach()
    endwhile()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(rz4_all_targets dir out)
    get_directory_property(targets DIRECTORY ${dir} BUILDSYSTEM_TARGETS)
    get_directory_property(subdirs DIRECTORY ${dir} SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        rz4_all_targets(${sub} more)
        list(APPEND targets ${more})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Called once every target is declared: gives each C++ target of ours the header of its kind.
function(rz4_precompile_headers)
    # GCC's headers are what was measured; the fuzz build (clang) has too few sources to gain.
    if(NOT RZ4_PCH OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        return()
    endif()
    rz4_all_targets(${PROJECT_SOURCE_DIR} targets)
    set(empty ${PROJECT_BINARY_DIR}/generated/pch_donor.cpp)
    file(CONFIGURE OUTPUT ${empty} CONTENT "// The precompiled header's own target compiles nothing else.\n")
    set(made)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY)$")
            continue()
        endif()
        set(closure)
        rz4_link_closure(${target} closure)
        if("Qt6::Widgets" IN_LIST closure)
            set(kind widgets)
        elseif("Qt6::Core" IN_LIST closure)
            set(kind core)
        else()
            set(kind std)
        endif()
        set(qt)
        if(kind STREQUAL "widgets")
            set(qt Qt6::Widgets)
        elseif(kind STREQUAL "core")
            set(qt Qt6::Core)
        endif()
        set(headers ${rz4_pch_${kind}})
        if("GTest::gtest" IN_LIST closure)
            set(kind ${kind}_test)
            list(APPEND headers <gtest/gtest.h>)
        endif()
        set(donor rz4_pch_${kind})
        if(NOT donor IN_LIST made)
            add_library(${donor} OBJECT ${empty})
            set_target_properties(${donor} PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
            if(qt)
                target_link_libraries(${donor} PRIVATE ${qt})
            endif()
            if(kind MATCHES "_test$")
                target_link_libraries(${donor} PRIVATE GTest::gtest)
                rz4_test_code(${donor})
            endif()
            rz4_warnings(${donor})
            target_precompile_headers(${donor} PRIVATE ${headers})
            list(APPEND made ${donor})
        endif()
        target_precompile_headers(${target} REUSE_FROM ${donor})
    endforeach()
endfunction()
