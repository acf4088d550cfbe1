#include "library/library_editor_model.h"

#include <algorithm>
#include <filesystem>

#include "library/library_file.h"
#include "platform/journal_file.h"

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

std::string LibraryFolderOf(std::string_view text, std::string_view currentFolder) {
  std::filesystem::path path(text);
  if (path.is_relative()) path = std::filesystem::path(currentFolder) / path;
  std::string folder = path.lexically_normal().native();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

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

std::optional<std::size_t> LibraryEditorModel::Listed(const std::string& folder) const {
  const std::string here = CurrentFolder();
  const std::optional<FolderId> id = fileSystem_.IdentifyFolder(folder);
  for (std::size_t i = 0; i < folders_.size(); ++i) {
    if (LibraryFolderOf(folders_[i], here) == folder) return i;
    if (id && fileSystem_.IdentifyFolder(folders_[i]) == id) return i;
  }
  return std::nullopt;
}

AddOutcome LibraryEditorModel::Add(AddTrigger trigger) {
  AddOutcome outcome;
  if (text_.empty()) return outcome;

  const std::string folder = LibraryFolderOf(text_, CurrentFolder());
  if (const std::optional<std::size_t> listed = Listed(folder)) {
    outcome.message = kAlreadyListedMessage;
    selected_ = listed;
    return outcome;
  }

  outcome.focusTextBox = true;
  if (text_.size() > 1 && text_.back() == '/') {
    // A folder typed with its closing "/" is taken at its word.
    outcome.added = Insert(folder);
    if (trigger == AddTrigger::kEnterKey) text_.clear();
  } else if (fileSystem_.FolderExists(folder)) {
    outcome.added = Insert(folder);
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

void LibraryEditorModel::ReloadSettings(const std::string& settingsFile) {
  settings_ = savedSettings_ = LoadSettings(fileSystem_, settingsFile);
}

std::string LibraryEditorModel::SaveSettings(const std::string& settingsFile) {
  if (settings_.allSongTypes == savedSettings_.allSongTypes) return {};
  try {
    tunewick::SaveSettings(fileSystem_, settingsFile, settings_);
  } catch (const FileError& error) {
    return kSettingsSaveFailedMessage +
           (error.code() ? ErrorText(error.code()) : std::string(error.what()));
  }
  savedSettings_ = settings_;
  return {};
}

LinkLook LibraryEditorModel::AddLinkLook(bool pointerOver) const {
  return TargetLook(!text_.empty(), pointerOver);
}

LinkLook LibraryEditorModel::SelectionLinkLook(bool pointerOver) const {
  return TargetLook(selected_.has_value(), pointerOver);
}

}  // namespace tunewick
