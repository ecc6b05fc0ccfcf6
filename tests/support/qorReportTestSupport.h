#pragma once
// Shared parts of the report tests: a roots table like the root-finding window's and a
// report of two pages over it; qorTestPdf.h reads what the PDF files hold.

#include "qorMemoryDataset.h"
#include "qorReport.h"
#include "qorTestPdf.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <initializer_list>
#include <memory>

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

// A title, one row per root and a page footer: four roots fill two pages.
inline const QByteArray TwoPageTemplate = R"(<Report>
  <Page PaperWidth="100" PaperHeight="100" LeftMargin="10" TopMargin="10" RightMargin="10" BottomMargin="10">
    <Band Type="ReportTitle" Height="40">
      <Text Name="txtTitle" Width="300" Height="20" FontSize="12" Text="Bericht [Name]"/>
    </Band>
    <Band Type="MasterData" DataSet="Nullstellen" Height="70">
      <Text Name="txtRoot" Width="300" Height="20" Frame="All" Text="Wurzel [Nullstellen.&quot;xRoot&quot;]"/>
    </Band>
    <Band Type="PageFooter" Height="20">
      <Text Name="txtPage" Width="300" Height="20" Text="Seite [Page#] von [TotalPages#]"/>
    </Band>
  </Page>
</Report>)";

// A report engine of kind TEngine over a roots table of four rows and TwoPageTemplate,
// written into a temporary folder.
template <class TEngine>
class TTwoPageReport : public ::testing::Test {
protected:
  QTemporaryDir folder;
  TqorMemoryDataset roots;
  TEngine report;
  QString templateFile;

  void SetUp() override {
    FillRootTable(roots, {
                             {0, -1, 0, "Zeroin()", true, -0.5, 1e-17, 5, ""},
                             {1, 0, 1, "Zeroin()", true, 0.75, -2e-17, 6, ""},
                             {2, 1, 2, "Zeroin()", true, 1.25, 0.0, 7, ""},
                             {3, 2, 3, "Zeroin()", true, 2.5, 0.0, 4, ""},
                         });
    templateFile = Write("bericht.fr3", TwoPageTemplate);
  }

  QString Write(const QString& Name, const QByteArray& Bytes) {
    QFile file(folder.filePath(Name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
    return file.fileName();
  }

  // The report with the template, the variable Name and the roots table.
  void Load() {
    report.Clear();
    ASSERT_TRUE(report.LoadFromFile(templateFile)) << report.ErrorText().toStdString();
    report.SetVariable(" Report", QVariant());
    report.SetVariable("Name", "'Müller''s Wurzeln'");
    report.AddDataSet(TqorReportDataSet("Nullstellen", roots));
  }
};
