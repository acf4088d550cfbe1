#pragma once

// What the library editor does, without its window: the editor's own copy of the library
// (kept sorted without regard to case), the text in its editing box, the selected folder,
// the rules for adding, editing and removing folders, and what the user is told.
//
// The folders and the editing box hold path bytes; the window only shows them.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/user_settings.h"
#include "platform/file_system.h"

namespace tunewick {

inline constexpr const char* kAlreadyListedMessage =
    "This folder is already in your music library, It's been selected to show you where.";
inline constexpr const char* kMissingFolderTryBrowsingMessage =
    "That folder doesn't exist, try clicking \"Browse for folder\" instead of typing it.";
inline constexpr const char* kMissingFolderTryAgainMessage =
    "That folder doesn't exist, try entering it in again.";
inline constexpr const char* kEmptyLibraryMessage =
    "Add folders to your library, then click this button again to continue.";
inline constexpr const char* kCannotContinueMessage =
    "Because you have not entered any folders into your music library, this application cannot "
    "continue, and will close.";
inline constexpr const char* kSaveFailedMessage = "Your music library could not be saved: ";
inline constexpr const char* kSettingsSaveFailedMessage =
    "Your choice of song types could not be saved: ";

// The folder `text` names, as the library keeps it: absolute (a relative one is taken from
// `currentFolder`), without "." and ".." steps, doubled "/" or a closing "/" (except "/").
std::string LibraryFolderOf(std::string_view text, std::string_view currentFolder);

// True when `a` sorts before `b` in the editor's list: byte by byte, with the ASCII letters
// compared without regard to case.
bool FolderSortsBefore(std::string_view a, std::string_view b);

// How one of the editor's links looks.
enum class LinkLook { kNormal, kHover, kGrey };

// What added a folder: the link "Add this folder to your library", or Enter in the box.
enum class AddTrigger { kAddLink, kEnterKey };

struct AddOutcome {
  std::string message;               // to show the user; empty for none
  std::optional<std::size_t> added;  // where the new folder now stands in the list
  bool focusTextBox = false;         // the keyboard focus goes back to the editing box
};

class LibraryEditorModel {
 public:
  explicit LibraryEditorModel(FileSystem& fileSystem) : fileSystem_(fileSystem) {}

  // Replaces the list with the library file's folders that still exist, in sorted order;
  // an absent file leaves the list empty. The selection goes; the editing box stays.
  // Throws FileError when the file cannot be read; the folders read before the failure
  // are listed all the same.
  void Reload(const std::string& libraryFile);

  const std::vector<std::string>& Folders() const { return folders_; }

  std::optional<std::size_t> Selected() const { return selected_; }
  // An index past the end selects nothing.
  void Select(std::optional<std::size_t> index);

  const std::string& Text() const { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }

  // Adds the editing box's folder to the list, as LibraryFolderOf gives it. An empty box
  // does nothing. A folder that is listed already, under any spelling of its path or
  // through a link, is selected and the user told (where the disk tells letter cases
  // apart, "/Music" and "/music" are two folders). A text ending in "/" (other than "/"
  // itself) is added without looking for the folder; Enter empties the box, the link
  // leaves the text in it. Any other text is added when it names an existing folder,
  // emptying the box; otherwise the user is told, and Enter empties the box while the
  // link leaves the text for mending.
  AddOutcome Add(AddTrigger trigger);

  // Moves the selected folder back into the editing box and out of the list. False when
  // no folder is selected.
  bool EditSelected();
  // Removes the selected folder from the list. False when no folder is selected.
  bool RemoveSelected();

  // Writes the list to the library file. Returns the message to show: an empty list is
  // not saved, and a failure to save leaves the old file as it was and says why. An
  // empty text means saved.
  std::string Save(const std::string& libraryFile);

  // "Also look for FLAC, Ogg, Opus, M4A and AIFF songs", kept in the settings file rather
  // than in the library file, whose format other programs read.
  bool AllSongTypes() const { return settings_.allSongTypes; }
  void SetAllSongTypes(bool all) { settings_.allSongTypes = all; }
  SongTypes ChosenTypes() const { return settings_.songTypes(); }
  // Takes the choice from the settings file. Throws FileError when it cannot be read.
  void ReloadSettings(const std::string& settingsFile);
  // Writes the choice to the settings file when it differs from the file's: a choice
  // left alone creates no file. Returns the message to show; empty when saved.
  std::string SaveSettings(const std::string& settingsFile);

  // "Add this folder to your library" has a target while the box holds text.
  LinkLook AddLinkLook(bool pointerOver) const;
  // "Edit the path to this folder" and "Remove this folder from your library" have one
  // while a folder is selected.
  LinkLook SelectionLinkLook(bool pointerOver) const;

 private:
  std::size_t Insert(std::string folder);
  // Where `folder` (as LibraryFolderOf gives it) is listed already, if it is.
  std::optional<std::size_t> Listed(const std::string& folder) const;

  FileSystem& fileSystem_;
  std::vector<std::string> folders_;
  std::optional<std::size_t> selected_;
  std::string text_;
  UserSettings settings_, savedSettings_;
};

}  // namespace tunewick
