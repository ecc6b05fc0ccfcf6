#include "qorFileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>

#include <utility>

namespace {
TqorFileDialog& DialogSlot() {
  static TqorFileDialog dialog;
  return dialog;
}
}  // namespace

TqorFileDialog SetFileDialog(TqorFileDialog Dialog) { return std::exchange(DialogSlot(), std::move(Dialog)); }

QString FilterSuffix(const QString& Filter) {
  static const QRegularExpression firstPattern(QStringLiteral("\\(\\*\\.([^*?\\s)]+)[\\s)]"));
  const QRegularExpressionMatch match = firstPattern.match(Filter);
  return match.hasMatch() ? match.captured(1) : QString();
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
  // A name typed without extension takes that of the filter chosen, when it names one.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &Request](const QString& Filter) {
    const QString suffix = FilterSuffix(Filter);
    dialog.setDefaultSuffix(suffix.isEmpty() ? Request.DefaultSuffix : suffix);
  });
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !Request.ConfirmOverwrite);
  if (!Request.FileName.isEmpty()) dialog.selectFile(Request.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}
