#pragma once
// The plot report on the screen: the preview of a root-finding window's calculation.

#include "rptPlot2D.h"

class QWidget;

// Opens the plot report of Plot and Roots in the preview, or in the designer when the
// designer switch is on, modally over Owner. The report folder and the designer switch
// are those of the global service provider (without one: the running program's report
// folder, no designer). Plot is redrawn at the report picture's size. Raises Exception
// with the reason when the template is missing or cannot be read; with the designer
// switch on, a missing template is started empty in the designer instead.
void PreviewPlotReport(TqorPlot2D& Plot, TqorMemoryDataset& Roots, const TrptPlot2DInput& Input,
                       QWidget* Owner = nullptr);
