#pragma once
// The information dialog: what the program file says about itself (description,
// company, copyright, version and version date) and its name on this system, in red
// letters over a background picture, and a page of acknowledgements. A program derives
// its own dialog to add pages and its own acknowledgements; the main window opens
// whichever dialog class it was given. As a dialog it keeps no window metrics.

#include "qorFormBase.h"

#include <QDialog>
#include <QImage>
#include <QStringList>

#include <memory>

class QLabel;
class QPushButton;
class QTabWidget;
class QTextEdit;

// The panel of the first page: the background picture stretched over the whole panel.
class TqorPicturePanel : public QWidget {
  Q_OBJECT

public:
  explicit TqorPicturePanel(QWidget* Owner = nullptr);
  const QImage& Picture() const { return FPicture; }
  void setPicture(const QImage& value);

protected:
  void paintEvent(QPaintEvent* Event) override;

private:
  QImage FPicture;
};

class TfrmQORApplicationInfo : public TqorFormBaseOf<QDialog> {
  Q_OBJECT

public:
  static constexpr int DesignedClientWidth = 518;
  // The colour of the texts over the picture.
  static inline const QColor LabelColour{211, 10, 10};

  // The dialog with its pages, on the page "Informationenen zum Programm".
  explicit TfrmQORApplicationInfo(QWidget* Owner = nullptr);

  // Shrinks Label's font one point at a time while its text is wider than the label,
  // down to 8 points; returns whether the text fits.
  static bool FitLabelFont(QLabel& Label);
  // The background picture of the first page, drawn by the program.
  static QImage BackgroundPicture();

  QWidget* panBottom = nullptr;
  QWidget* panButtons = nullptr;
  QPushButton* cmdOK = nullptr;
  QTabWidget* pc = nullptr;
  QWidget* tsAppInfo = nullptr;
  TqorPicturePanel* panClient = nullptr;
  QLabel* lblAppDescription = nullptr;
  QLabel* lblCompanyName = nullptr;
  QLabel* lblCopyright = nullptr;
  QLabel* lblAppExeName = nullptr;
  QLabel* lblVersionInfo = nullptr;
  QWidget* tsCredits = nullptr;
  QTextEdit* txtCredits = nullptr;

protected:
  // The works whose use the acknowledgements name, one line each.
  virtual QStringList CreditedWorks() const;
  // Fills the labels from the program file's version information and name, fits the
  // long ones and ends the dialog just below the version line, centred on its owner.
  void showEvent(QShowEvent* Event) override;
  // A read-only page text of centred lines in the pages' font; Owner gets it as its
  // only content.
  static QTextEdit* NewPageText(QWidget& Owner, const QStringList& Lines);
  // Shows Lines in Text, each line centred.
  static void SetPageText(QTextEdit& Text, const QStringList& Lines);
  // Adds a page with the text Lines at Index of the page control.
  void InsertTextPage(int Index, const QString& Caption, const QStringList& Lines);

private:
  void CreateButtons();
  void CreateInfoPage();
  void FormShow();
  // Makes the dialog end just below the version line and centres it on its owner.
  void FitHeight();
};

// Makes an information dialog of one class, owned by the caller.
using TqorAppInfoFormClass = std::unique_ptr<TfrmQORApplicationInfo> (*)(QWidget* Owner);

// The dialog class Form.
template <class Form>
std::unique_ptr<TfrmQORApplicationInfo> NewAppInfoForm(QWidget* Owner) {
  return std::make_unique<Form>(Owner);
}
