// The drawing half of kaloroots as the module the program loads for a run that draws.
#include "KaloRootsDrawing.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <type_traits>

extern "C" Q_DECL_EXPORT void qorKaloRootsStartDrawing(int& argc, char** argv, TKaloRootsDrawingRun& Run) {
  static_assert(std::is_same_v<decltype(&qorKaloRootsStartDrawing), TDrawingModuleEntry>);
  Run = StartDrawing(argc, argv);
}
