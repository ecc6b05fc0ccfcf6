#pragma once
// The report designer: the template's page with its bands and objects. Objects are
// selected by a click, moved by dragging and resized at their lower right corner;
// bands change height at their lower edge. Texts are edited with a double click (a
// picture's double click renames it). Saving writes the template under the report's
// file name, asked for in a save dialog when there is none; a file that the designer
// did not read completely is only replaced after the user agreed.

#include "qorReportTemplate.h"

#include <QDialog>

#include <vector>

class QAction;
class QGraphicsRectItem;
class QGraphicsView;
class QLabel;
class TqorBandItem;
class TqorDesignerScene;
class TqorObjectItem;
class TqorReport;

class TqorReportDesigner : public QDialog {
  Q_OBJECT

public:
  // A designer on Report's template; the report must outlive it.
  explicit TqorReportDesigner(TqorReport& Report, QWidget* Parent = nullptr);

  // The kinds of objects the designer adds.
  enum class TObjectKind { Text, Picture, Line };

  TqorDesignerScene* Scene() const { return FScene; }
  QGraphicsView* View() const { return FView; }
  // True when the template changed since it was opened or saved.
  bool Modified() const { return FModified; }

  // The selected object, or none.
  TqorReportObject* SelectedObject() const;
  // The selected band, or the band of the selected object, or none.
  TqorReportBand* SelectedBand() const;
  // The item that shows Object, or none.
  TqorObjectItem* ItemOf(const TqorReportObject* Object) const;
  // Selects Object alone; none clears the selection.
  void Select(const TqorReportObject* Object);

  // Adds a band of Type after the selected band (at the end without one); a master
  // data band repeats over the table DataSetName. The new band is selected.
  TqorReportBand& AddBand(TqorBandType Type, const QString& DataSetName = QString());
  // Adds an object of Kind with a new name to the selected band, or the first band
  // that is neither page header nor footer, or the first band; none without bands.
  TqorReportObject* AddObject(TObjectKind Kind);
  // Deletes the selected object, or else the selected band with its objects.
  void DeleteSelection();
  // Gives Object the text (text objects) or name (pictures and lines) Value.
  void SetObjectText(TqorReportObject& Object, const QString& Value);
  // Saves the template under the report's file name (asked for when there is none);
  // a file not read completely is only replaced after the user agreed. True when
  // saved; failures are shown.
  bool Save();

  QAction* actSave = nullptr;
  QAction* actAddText = nullptr;
  QAction* actAddPicture = nullptr;
  QAction* actAddLine = nullptr;
  QAction* actAddBand = nullptr;
  QAction* actEdit = nullptr;
  QAction* actDelete = nullptr;

public slots:
  // Asks to save changes first; the designer stays open on Cancel.
  void reject() override;

private:
  void CreateActions();
  // Makes every item anew from the template.
  void Rebuild();
  // Stacks the band strips in template order below each other.
  void Relayout();
  void MarkModified();
  // Opens the editor of Object: the text dialog or the name of a picture or line.
  void Edit(TqorReportObject* Object);
  // The user's choice of a band type (and table) for AddBand.
  void AskAndAddBand();
  void AddObjectOrExplain(TObjectKind Kind);
  // Whether Save may replace FileName; ReplaceAgreed: the user chose it in a save
  // dialog that asked before offering an existing file.
  bool MayReplace(const QString& FileName, bool ReplaceAgreed);
  // A name of the form <Prefix><n> that no object has.
  QString NewObjectName(const QString& Prefix) const;
  void ShowStatus();

  TqorReport& FReport;
  TqorReportTemplate& FTemplate;
  TqorDesignerScene* FScene;
  QGraphicsView* FView;
  QLabel* FStatus;
  // The sheet behind the bands, and the band strips in template order.
  QGraphicsRectItem* FPaper = nullptr;
  std::vector<TqorBandItem*> FBandItems;
  // The file whose content the template holds in full; empty when none.
  QString FReadFile;
  bool FModified = false;
};
