#include "qorFileDialog.h"

#include <QDir>
#include <QFileDialog>

#include <utility>

namespace {
TqorFileDialog& DialogSlot() {
  static TqorFileDialog dialog;
  return dialog;
}
}  // namespace

TqorFileDialog SetFileDialog(TqorFileDialog Dialog) {
  return std::exchange(DialogSlot(), std::move(Dialog));
}

QString ExecuteFileDialog(const TqorFileDialogRequest& Request) {
  return DialogSlot() ? DialogSlot()(Request) : ExecutePlatformFileDialog(Request);
}

QString ExecutePlatformFileDialog(const TqorFileDialogRequest& Request) {
  QFileDialog dialog(Request.Parent, Request.Title, Request.Directory);
  dialog.setAcceptMode(Request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(Request.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(Request.Filters);
  dialog.setDefaultSuffix(Request.DefaultSuffix);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !Request.ConfirmOverwrite);
  if (!Request.FileName.isEmpty()) dialog.selectFile(Request.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}
