#include "library/library_editor_model.h"

#include <algorithm>

#include "library/library_file.h"

namespace tunewick {
namespace {

unsigned char Folded(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

LinkLook TargetLook(bool hasTarget, bool pointerOver) {
  if (!hasTarget) return LinkLook::kGrey;
  return pointerOver ? LinkLook::kHover : LinkLook::kNormal;
}

}  // namespace

bool FolderSortsBefore(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Folded(x) < Folded(y); });
}

void LibraryEditorModel::Reload(const std::string& libraryFile) {
  folders_.clear();
  selected_.reset();
  std::vector<std::string> lines;
  auto keepExisting = [&] {
    for (std::string& line : lines)
      if (fileSystem_.FolderExists(line)) Insert(std::move(line));
  };
  try {
    LoadLibraryFile(fileSystem_, libraryFile, LibraryRead::kEditor, lines);
  } catch (const FileError&) {
    keepExisting();
    throw;
  }
  keepExisting();
}

void LibraryEditorModel::Select(std::optional<std::size_t> index) {
  if (index && *index >= folders_.size()) index.reset();
  selected_ = index;
}

std::size_t LibraryEditorModel::Insert(std::string folder) {
  // After the folders that sort equal, so that equal ones keep the order they came in.
  const auto place = std::upper_bound(
      folders_.begin(), folders_.end(), folder,
      [](const std::string& a, const std::string& b) { return FolderSortsBefore(a, b); });
  const auto index = static_cast<std::size_t>(place - folders_.begin());
  folders_.insert(place, std::move(folder));
  if (selected_ && *selected_ >= index) ++*selected_;  // the selection stays on its folder
  return index;
}

AddOutcome LibraryEditorModel::Add(AddTrigger trigger) {
  AddOutcome outcome;
  if (text_.empty()) return outcome;

  // The typed text as it stands, case counted: "/Music" and "/music/" are not "/music".
  const auto listed = std::find(folders_.begin(), folders_.end(), text_);
  if (listed != folders_.end()) {
    outcome.message = kAlreadyListedMessage;
    selected_ = static_cast<std::size_t>(listed - folders_.begin());
    return outcome;
  }

  outcome.focusTextBox = true;
  if (text_.size() > 1 && text_.back() == '/') {
    // A folder typed with its closing "/" is taken at its word, without it.
    outcome.added = Insert(text_.substr(0, text_.size() - 1));
    if (trigger == AddTrigger::kEnterKey) text_.clear();
  } else if (fileSystem_.FolderExists(text_)) {
    outcome.added = Insert(text_);
    text_.clear();
  } else {
    if (trigger == AddTrigger::kAddLink) {
      outcome.message = kMissingFolderTryBrowsingMessage;
    } else {
      outcome.message = kMissingFolderTryAgainMessage;
      text_.clear();
    }
  }
  return outcome;
}

bool LibraryEditorModel::EditSelected() {
  if (!selected_) return false;
  const auto index = static_cast<std::ptrdiff_t>(*selected_);
  text_ = std::move(folders_[*selected_]);
  folders_.erase(folders_.begin() + index);
  selected_.reset();
  return true;
}

bool LibraryEditorModel::RemoveSelected() {
  if (!selected_) return false;
  folders_.erase(folders_.begin() + static_cast<std::ptrdiff_t>(*selected_));
  selected_.reset();
  return true;
}

std::string LibraryEditorModel::Save(const std::string& libraryFile) {
  if (folders_.empty()) return kEmptyLibraryMessage;
  try {
    SaveLibraryFile(fileSystem_, libraryFile, folders_);
  } catch (const FileError& error) {
    return kSaveFailedMessage +
           (error.code() ? ErrorText(error.code()) : std::string(error.what()));
  }
  return {};
}

LinkLook LibraryEditorModel::AddLinkLook(bool pointerOver) const {
  return TargetLook(!text_.empty(), pointerOver);
}

LinkLook LibraryEditorModel::SelectionLinkLook(bool pointerOver) const {
  return TargetLook(selected_.has_value(), pointerOver);
}

}  // namespace tunewick
