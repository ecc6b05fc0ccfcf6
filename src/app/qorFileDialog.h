#pragma once
// The file dialogs of the program's windows. A window describes the dialog it wants in
// a request (title, filters, default extension, start folder) and gets back the chosen
// file. The dialog itself can be replaced, as the error display can, so that tests and
// other hosts answer it without a screen.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// What a file dialog shows and offers.
struct TqorFileDialogRequest {
  QWidget* Parent = nullptr;     // the window the dialog belongs to
  bool Save = false;             // a save dialog; otherwise one that opens an existing file
  QString Title;                 // the caption; empty: the platform's
  QStringList Filters;           // name filters such as "Textdatei (*.txt)"; the first is selected
  QString DefaultSuffix;         // appended to a name typed without extension (see below)
  QString Directory;             // the folder the dialog starts in
  QString FileName;              // the file name proposed, without folder; may be empty
  bool ConfirmOverwrite = true;  // a save dialog asks before replacing an existing file
};

// Shows a file dialog for Request; returns the chosen file's full path (native
// separators), or the empty text when the user cancels.
using TqorFileDialog = std::function<QString(const TqorFileDialogRequest& Request)>;

// Replaces the file dialog (an empty one restores the platform's); returns the dialog
// it replaced.
TqorFileDialog SetFileDialog(TqorFileDialog Dialog);
// Asks through the current file dialog.
QString ExecuteFileDialog(const TqorFileDialogRequest& Request);
// The extension of Filter's first pattern ("svg" of "SVG-Grafik (*.svg)"); empty when
// that pattern names none ("Alle Dateien (*)").
QString FilterSuffix(const QString& Filter);

// The platform's modal file dialog for Request, the one ExecuteFileDialog uses unless
// replaced. A name typed without extension takes that of the filter chosen, or
// DefaultSuffix when the filter names none.
QString ExecutePlatformFileDialog(const TqorFileDialogRequest& Request);
