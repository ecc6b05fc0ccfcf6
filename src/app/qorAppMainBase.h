#pragma once
// The main window base: the MDI frame of an application with the menus "&Datei"
// (exit), "&Fenster" (arranging the child windows and the list of open ones) and
// "Hilfe" (the information dialog), and a status bar of three panels: the busy text of
// the service provider, the login information and the system information. While the
// mouse points at a menu item with a hint, the bar shows that hint alone. The busy
// text comes with the hourglass cursor. A derived main window adds its tools and may
// run a start-up action once, 100 ms after the window was shown.

#include "qorAppInfo.h"
#include "qorFormBase.h"

#include <QList>
#include <QMainWindow>
#include <QRect>

#include <memory>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;

// The places of Count windows tiled in Area one below the other (Vertical) or side by
// side, each spanning the area in the other direction and the last one taking what the
// division leaves. No window is made smaller than Minimum: where they do not fit at
// that size, they keep it and overlap in equal steps, still in their order and within
// the area (unless the area is smaller than Minimum itself).
QList<QRect> TiledPlaces(const QRect& Area, int Count, const QSize& Minimum, Qt::Orientation Direction);

class TfrmQORVCLApplicationMainBase : public TqorFormBaseOf<QMainWindow> {
  Q_OBJECT

public:
  // Client area of the designed window.
  static constexpr int DesignedWidth = 778;
  static constexpr int DesignedHeight = 646;
  // The status panels, left to right.
  static constexpr int BusyPanel = 0;
  static constexpr int LoginPanel = 1;
  static constexpr int SystemPanel = 2;
  // The room a panel leaves around its text, in pixels.
  static constexpr int PanelPadding = 3;

  // A main window named "Hauptfenster" with the caption DesignedCaption, centred on the
  // screen. The information dialog is TfrmQORApplicationInfo; no start-up action runs.
  explicit TfrmQORVCLApplicationMainBase(const QString& DesignedCaption, QWidget* Owner = nullptr);
  ~TfrmQORVCLApplicationMainBase() override;

  // Whether StartupAction runs 100 ms after showing.
  bool StartupDelayEnabled() const { return FStartupDelayEnabled; }
  void setStartupDelayEnabled(bool value) { FStartupDelayEnabled = value; }
  // The information dialog that "&Info ..." opens.
  TqorAppInfoFormClass AppInfoFormClass() const { return FAppInfoFormClass; }
  void setAppInfoFormClass(TqorAppInfoFormClass value) { FAppInfoFormClass = value; }

  // The MDI area that holds the child windows.
  QMdiArea& MdiArea() const { return *FMdiArea; }
  // Makes Form a child window in the MDI area and shows it; the area owns it from now
  // on and frees it when it is closed.
  QMdiSubWindow* AddMdiChild(std::unique_ptr<QWidget> Form);

  // Shows Text, without leading and trailing blanks, in the busy panel; the cursor is the
  // hourglass while the text is not empty. The empty text brings the last message back.
  // The panel is painted at once.
  void BusyStatus(const QString& Text);
  // Shows Text, without leading and trailing blanks, in the busy panel as a message that
  // stays there between busy texts until the next message: the cursor is not the
  // hourglass.
  void StatusMessage(const QString& Text);
  // Sets the text of a panel (numbers other than 1 and 2 mean panel 0). Panels 1 and 2
  // take their text's width plus PanelPadding; panel 0 takes the rest of the bar.
  void SetStatusText(int Panel, const QString& Text);
  // The label of a panel (numbers other than 1 and 2 mean panel 0).
  QLabel& StatusPanel(int Panel) const;
  // Shows Hint alone in the status bar, or the three panels again for the empty hint.
  void ShowApplicationHint(const QString& Hint);

  QMenu* mnuFile = nullptr;
  QMenu* mnuWindow = nullptr;
  QMenu* mnuHelp = nullptr;
  QAction* mnuFileDelim1 = nullptr;
  QAction* actAppExit = nullptr;
  QAction* actAppInfo = nullptr;
  QAction* mnuWindowCascade = nullptr;
  QAction* mnuWindowVertical = nullptr;
  QAction* mnuWindowHorizontal = nullptr;
  QAction* mnuWindowArrangeIcons = nullptr;
  QTimer* tiStartupDelay = nullptr;

protected:
  // Runs once per showing, 100 ms after it, when StartupDelayEnabled; empty here.
  virtual void StartupAction() {}
  // Opens the information dialog modally.
  void actAppInfoExecute();

  void showEvent(QShowEvent* Event) override;
  // Closes the child windows first; one that refuses to close keeps the frame open.
  void closeEvent(QCloseEvent* Event) override;
  bool event(QEvent* Event) override;

private:
  void CreateActions();
  void CreateMenus();
  void CreateStatusBar();
  // The steps after the stored metrics were applied: busy handler, status texts,
  // caption and the start-up timer.
  void FormShow();
  void tiStartupDelayTimer();
  // Panels 1 and 2 get the content widths plus PanelPadding; panel 0 takes the rest.
  void ResizeStatusBarPanels(int LoginWidth, int SystemWidth);
  // The list of open child windows below the arranging items.
  void RebuildWindowList();
  // Child windows one below the other (Vertical) or side by side (TiledPlaces), none
  // smaller than the largest minimum size among them.
  void TileSubWindows(Qt::Orientation Direction);
  // Lines up the minimised child windows along the bottom of the area.
  void ArrangeIcons();

  QString FOrigFormCaption;
  bool FStartupDelayEnabled = false;
  bool FBusyCursor = false;
  QString FRestingText;  // the last StatusMessage, which panel 0 shows between busy texts
  TqorAppInfoFormClass FAppInfoFormClass;
  QMdiArea* FMdiArea = nullptr;
  QLabel* FPanels[3] = {};
  QAction* FWindowListSeparator = nullptr;
};
