# Precompiled Qt headers for the widget targets with several sources (they
# link Qt6::Widgets, whose headers these are): a clean build
# (CI) spends much of its time parsing the same Qt headers again for every
# source and moc file. A compiler launcher such as ccache cannot cache a
# compile that uses them, so they are left out when one is set.
option(TARVEL_PRECOMPILED_HEADERS "Precompile the Qt headers of the Qt targets (off under a compiler launcher)" ON)

function(tarvel_qt_precompiled_headers)
  if(NOT TARVEL_PRECOMPILED_HEADERS OR CMAKE_CXX_COMPILER_LAUNCHER)
    return()
  endif()
  foreach(target IN LISTS ARGN)
    if(TARGET ${target})
      target_precompile_headers(${target} PRIVATE <QApplication> <QDialog> <QHBoxLayout> <QLabel> <QLineEdit>
                                <QPainter> <QPushButton> <QString> <QTimer> <QVBoxLayout> <QWidget>)
    endif()
  endforeach()
endfunction()
