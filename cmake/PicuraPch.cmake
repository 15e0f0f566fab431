# Precompiled headers. Most of the compile time of a source file here went to parsing the Qt, GoogleTest and
# standard headers it includes; those headers are now parsed once per kind of target:
#
#   gui           the standard library, Qt Core and Qt Gui: the libraries without widgets
#   widgets       gui + Qt Widgets: the widget libraries and the program
#   test_gui      gui + GoogleTest: the tests without widgets, their support library, the benchmarks
#   test_widgets  widgets + GoogleTest: the tests with widgets
#
# Each kind is precompiled once, by an object library of its own (picura_pch_<kind>), and every target of src/,
# tests/ and bench/ reuses the kind that matches what it links (picura_precompile_headers(), called at the end of
# the top-level CMakeLists.txt). GCC uses a precompiled header only for sources compiled with the same macros as
# the header was, unless the header never looks at a macro: so an owner links no more than its kind needs (a
# test that links Qt Test also defines QT_TESTLIB_LIB and QT_TESTCASE_BUILDDIR, which none of the headers
# below uses), and GCC says when it cannot use a header (-Winvalid-pch, an error with our -Werror). A target
# never gets headers of a library it does not link: the Qt Widgets headers, say, change what some Qt Gui code
# means (qApp) and would make code without widgets need them.
# Configure with -DPICURA_PCH=OFF to build without them. GCC only: the fuzzing build (clang) sets flags of its
# own on some targets.
option(PICURA_PCH "Precompile the common Qt, GoogleTest and standard headers (GCC only)" ON)
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(PICURA_PCH OFF)
endif()

if(PICURA_PCH)
  # GStreamer's compile flags carry -pthread, which defines _REENTRANT, a macro the C library headers look at:
  # every source defines it, so that one header serves the targets with GStreamer and those without.
  add_compile_options(-pthread)

  # ccache caches sources compiled with a precompiled header only when told to overlook the macros and time
  # stamps the header fixes ("Precompiled headers" in its manual; CMake passes the header with -include).
  foreach(lang C CXX)
    if(CMAKE_${lang}_COMPILER_LAUNCHER MATCHES "ccache")
      set(CMAKE_${lang}_COMPILER_LAUNCHER env CCACHE_SLOPPINESS=pch_defines,time_macros
                                          ${CMAKE_${lang}_COMPILER_LAUNCHER})
    endif()
  endforeach()
endif()

set(PICURA_PCH_GUI
    <algorithm> <array> <atomic> <chrono> <cmath> <cstdint> <cstring> <functional> <limits> <memory> <mutex>
    <optional> <string> <thread> <utility> <variant> <vector>
    <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo> <QList> <QObject> <QPointer> <QSet> <QString>
    <QStringList> <QTemporaryDir> <QTimer> <QUrl>
    <QColor> <QFont> <QGuiApplication> <QImage> <QKeyEvent> <QMouseEvent> <QPainter> <QPoint> <QRect> <QSize>)
set(PICURA_PCH_WIDGETS
    ${PICURA_PCH_GUI}
    <QApplication> <QCheckBox> <QComboBox> <QDialog> <QLabel> <QLineEdit> <QPushButton> <QWidget>)
set(PICURA_PCH_GTEST <gtest/gtest.h> <QElapsedTimer> <QStandardPaths>)

# The owner of one kind: an object library of one empty source that links `libs` and precompiles ARGN.
function(_picura_pch_owner kind libs)
  set(source ${CMAKE_BINARY_DIR}/pch/picura_pch_${kind}.cpp)
  if(NOT EXISTS ${source})
    file(WRITE ${source} "// Compiles the precompiled header of the ${kind} targets.\n")
  endif()
  add_library(picura_pch_${kind} OBJECT ${source})
  set_target_properties(picura_pch_${kind} PROPERTIES AUTOMOC OFF AUTORCC OFF)
  target_link_libraries(picura_pch_${kind} PRIVATE ${libs} picura_warnings)
  target_precompile_headers(picura_pch_${kind} PRIVATE ${ARGN})
endfunction()

if(PICURA_PCH)
  _picura_pch_owner(gui Qt6::Gui ${PICURA_PCH_GUI})
  _picura_pch_owner(widgets Qt6::Widgets ${PICURA_PCH_WIDGETS})
  if(PICURA_TESTS)
    # Found here, not only in tests/, so that this folder sees the imported GoogleTest targets.
    find_package(GTest REQUIRED)
    _picura_pch_owner(test_gui "Qt6::Gui;GTest::gtest" ${PICURA_PCH_GUI} ${PICURA_PCH_GTEST})
    _picura_pch_owner(test_widgets "Qt6::Widgets;GTest::gtest" ${PICURA_PCH_WIDGETS} ${PICURA_PCH_GTEST})
  endif()
endif()

# The names a target links, directly or through the public usage requirements of what it links.
function(_picura_linked_closure target out)
  get_target_property(queue ${target} LINK_LIBRARIES)
  if(NOT queue)
    set(queue "")
  endif()
  set(seen "")
  while(queue)
    list(POP_FRONT queue item)
    if(item MATCHES "^\\$<" OR item IN_LIST seen)
      continue() # $<LINK_ONLY:...> and other generator expressions bring no headers of the kinds above
    endif()
    list(APPEND seen ${item})
    if(TARGET ${item})
      get_target_property(real ${item} ALIASED_TARGET)
      if(real)
        list(APPEND seen ${real})
        set(item ${real})
      endif()
      get_target_property(next ${item} INTERFACE_LINK_LIBRARIES)
      if(next)
        list(APPEND queue ${next})
      endif()
    endif()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# AUTOMOC compiles one mocs_compilation.cpp per target, empty when no header of the target declares a Q_OBJECT
# class (a .cpp that does includes its own .moc); loading a precompiled header for an empty file costs more than
# the file. Which targets have such headers is read here; when that changes without a new configure, the file
# only compiles more slowly.
function(_picura_pch_skip_empty_moc target)
  get_target_property(automoc ${target} AUTOMOC)
  if(NOT automoc)
    return()
  endif()
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  get_target_property(binary_dir ${target} BINARY_DIR)
  foreach(source ${sources})
    if(source MATCHES "^\\$<" OR NOT source MATCHES "\\.(h|cpp)$")
      continue()
    endif()
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir})
    cmake_path(REPLACE_EXTENSION source LAST_ONLY .h OUTPUT_VARIABLE header)
    if(EXISTS ${header})
      file(STRINGS ${header} meta REGEX "Q_(OBJECT|GADGET|NAMESPACE)")
      if(meta)
        return()
      endif()
    endif()
  endforeach()
  set_source_files_properties(${binary_dir}/${target}_autogen/mocs_compilation.cpp TARGET_DIRECTORY ${target}
                              PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
endfunction()

# Gives every C++ target defined under the folders in ARGN (and their subfolders) the precompiled header of its
# kind, from what it links: GoogleTest, Qt Widgets, Qt Gui.
function(picura_precompile_headers)
  if(NOT PICURA_PCH)
    return()
  endif()
  foreach(dir ${ARGN})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY)$")
        continue()
      endif()
      _picura_linked_closure(${target} linked)
      set(kind "")
      if("GTest::gtest" IN_LIST linked AND "Qt6::Widgets" IN_LIST linked)
        set(kind test_widgets)
      elseif("GTest::gtest" IN_LIST linked AND "Qt6::Gui" IN_LIST linked)
        set(kind test_gui)
      elseif("Qt6::Widgets" IN_LIST linked)
        set(kind widgets)
      elseif("Qt6::Gui" IN_LIST linked)
        set(kind gui)
      endif()
      if(kind AND TARGET picura_pch_${kind})
        target_precompile_headers(${target} REUSE_FROM picura_pch_${kind})
        _picura_pch_skip_empty_moc(${target})
      endif()
    endforeach()
    if(subdirs)
      picura_precompile_headers(${subdirs})
    endif()
  endforeach()
endfunction()
