#pragma once
// The plot report: the result of a root-finding calculation on paper. The template
// "kaloPlot2D.fr3" of the report folder lays it out; it receives the window's plot in
// the picture object "picPlot2D" (drawn anew at that object's size), the roots table
// as the data set "Nullstellen", the extrema table as "Extrema" when the calculation
// searched extrema or inflection points, the standard variables and the calculation's
// input as the variables "FunctionText", "xMin", "xMax", "NodeCount", "AbsErrorBound"
// and "RelErrorBound".

#include "qorKaloBase.h"
#include "qorReportCommon.h"

#include <QString>

class TqorMemoryDataset;
class TqorPlot2D;
struct TrptPlot2DInput;

class TrptPlot2D : public TqorReportCommon {
public:
  // Report name "VASO Plot2D", template "kaloPlot2D", with preview.
  TrptPlot2D();

  // The plot drawn into the report picture; not owned.
  TqorPlot2D* Plot2D() const { return FPlot2D; }
  void setPlot2D(TqorPlot2D* value) { FPlot2D = value; }
  // The picture object that receives the plot, letter case ignored.
  const QString& Plot2DGraphicID() const { return FPlot2DGraphicID; }
  void setPlot2DGraphicID(const QString& value) { FPlot2DGraphicID = value; }

  // For the picture object Plot2DGraphicID: draws the plot at Width x Height pixels
  // and writes its enhanced metafile into Stream. Answers true for every name.
  bool GetPicture(const QString& Name, int Width, int Height, QIODevice& Stream) override;

  // Reports Plot (not owned) and Roots (registered as PlotReportDataSetName), Input's
  // extrema table when it has one (as ExtremaReportDataSetName), both printed by
  // Input's FieldText, with Input as the variables.
  void SetCalculation(TqorPlot2D& Plot, TqorMemoryDataset& Roots, const TrptPlot2DInput& Input);
  // Execute; raises Exception with ErrorText when it answers false.
  void Run();

private:
  TqorPlot2D* FPlot2D = nullptr;
  QString FPlot2DGraphicID;
};

// The calculation's input as the report prints it, and how it prints its tables.
struct TrptPlot2DInput {
  QString FunctionText;
  Extended xMin = 0;
  Extended xMax = 0;
  int NodeCount = 0;
  Extended AbsErrorBound = 0;
  Extended RelErrorBound = 0;
  // The extrema table, when the calculation searched extrema or inflection points.
  TqorMemoryDataset* Extrema = nullptr;
  // The texts of the tables' values, as the window shows them; empty: display texts.
  TqorReportFieldText FieldText;
};

// The names under which the roots and the extrema table reach the template.
extern const char* const PlotReportDataSetName;
extern const char* const ExtremaReportDataSetName;

// Writes the plot report of Plot, Roots and Input as the PDF file FileName (replaced
// atomically), from the template in TemplateFolder (empty: the running program's
// report folder). Raises Exception when the template is missing or cannot be read, or
// the file cannot be written; nothing is written then.
void RenderPlotReportToPdf(TqorPlot2D& Plot, TqorMemoryDataset& Roots, const TrptPlot2DInput& Input,
                           const QString& FileName, const QString& TemplateFolder = QString());
