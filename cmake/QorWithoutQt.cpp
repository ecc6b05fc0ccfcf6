// Compiled into each library that must build on the standard library alone (see
// qor_forbid_qt in QorTargets.cmake): the library's own compile settings decide whether
// Qt is in reach.

#if defined(QT_CORE_LIB) || defined(QT_GUI_LIB) || defined(QT_WIDGETS_LIB)
#error "Qt's definitions reach a library that builds on the standard library alone"
#endif

#if __has_include(<QtCore/qglobal.h>) || __has_include(<qglobal.h>) || __has_include(<QString>)
#error "Qt's headers are in reach of a library that builds on the standard library alone"
#endif
