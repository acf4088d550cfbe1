#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "adapters/dialogs.h"
#include "adapters/folder_picker.h"
#include "platform/file_system.h"

namespace tunewick {
namespace {

std::optional<std::string> ToPath(const QString& chosen) {
  if (chosen.isEmpty()) return std::nullopt;
  return QFile::encodeName(chosen).toStdString();
}

QString Caption() { return QApplication::applicationDisplayName(); }

}  // namespace

void QtDialogs::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, Caption(), text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);  // paths and names are never read as markup
  box.exec();
}

bool QtDialogs::AskWarningYesCancel(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel);
  box.exec();
  return box.clickedButton() == yes;
}

bool QtDialogs::AskConfirmOkCancel(QWidget* parent, const QString& title, const QString& text,
                                   DefaultAnswer preferred) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                  parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(preferred == DefaultAnswer::kOk ? QMessageBox::Ok : QMessageBox::Cancel);
  box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

std::optional<std::string> QtDialogs::PickFolder(QWidget* parent, const QString& title,
                                                 const std::string& root) {
  FolderPicker picker(RealFileSystem(), title, root, parent);
  if (picker.exec() != QDialog::Accepted) return std::nullopt;
  return picker.Selected();
}

std::optional<std::string> QtDialogs::PickSaveFile(QWidget* parent, const std::string& folder,
                                                   const QString& proposedName,
                                                   const QString& fileType) {
  QString start = QFile::decodeName(folder.c_str());
  if (!start.isEmpty() && !start.endsWith('/')) start += '/';
  return ToPath(QFileDialog::getSaveFileName(parent, QString(), start + proposedName,
                                             fileType + QStringLiteral(" (*.txt)")));
}

}  // namespace tunewick
