#pragma once
// Shared set-up of the report tests: one QApplication for the whole run (offscreen
// when no platform is given), a roots table like the root-finding window's, the text
// of a PDF file, and answers to the modal dialogs a report opens.

#include "../app/qorTestModal.h"
#include "../app/qorTestWidgets.h"
#include "qorMemoryDataset.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <memory>
#include <ostream>

// Texts in test messages as text.
inline void PrintTo(const QString& Text, std::ostream* Stream) { *Stream << '"' << Text.toStdString() << '"'; }

// GoogleTest owns the environments it is given.
inline ::testing::Environment* const ReportTestApp =
    ::testing::AddGlobalTestEnvironment(new TWidgetTestEnvironment);

// One row of the roots table.
struct TRootRow {
  int ID;
  double xIntervalMin, xIntervalMax;
  const char* RootFinder;
  bool RootExists;
  QVariant xRoot, yRoot, IterCount;
  const char* ResultMessage;
};

// Defines the fields of the roots table (names, kinds and display formats of the
// window's table), opens it and appends Rows; the first row is current.
inline void FillRootTable(TqorMemoryDataset& Table, std::initializer_list<TRootRow> Rows) {
  Table.AddFieldDef("ID", ftInteger);
  Table.AddFieldDef("xIntervalMin", ftFloat)->setDisplayFormat("0.000");
  Table.AddFieldDef("xIntervalMax", ftFloat)->setDisplayFormat("0.000");
  Table.AddFieldDef("RootFinder", ftString, 128);
  Table.AddFieldDef("RootExists", ftBoolean)->setDisplayValues("X;");
  Table.AddFieldDef("xRoot", ftFloat)->setDisplayFormat("0.0000000");
  Table.AddFieldDef("yRoot", ftFloat)->setDisplayFormat("0.0000000e+000");
  Table.AddFieldDef("IterCount", ftInteger);
  Table.AddFieldDef("ResultMessage", ftString, 1024);
  Table.Open();
  for (const TRootRow& row : Rows) {
    Table.Append();
    Table.FieldByName("ID").setValue(row.ID);
    Table.FieldByName("xIntervalMin").setValue(row.xIntervalMin);
    Table.FieldByName("xIntervalMax").setValue(row.xIntervalMax);
    Table.FieldByName("RootFinder").setValue(QString::fromUtf8(row.RootFinder));
    Table.FieldByName("RootExists").setValue(row.RootExists);
    Table.FieldByName("xRoot").setValue(row.xRoot);
    Table.FieldByName("yRoot").setValue(row.yRoot);
    Table.FieldByName("IterCount").setValue(row.IterCount);
    Table.FieldByName("ResultMessage").setValue(QString::fromUtf8(row.ResultMessage));
    Table.Post();
  }
  if (Table.RecordCount() > 0) Table.First();
}

// The text of a PDF file as pdftotext extracts it (layout kept).
inline QString PdfText(const QString& FileName) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), FileName, QStringLiteral("-")});
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return QStringLiteral("<pdftotext failed>");
  return QString::fromUtf8(process.readAllStandardOutput());
}

