#pragma once

// Renaming a song on POSIX systems without ever replacing another file, on every file
// system a music library lives on, and foreseeing, changing nothing, what such a rename
// would meet.

#include <functional>
#include <string>
#include <system_error>

namespace tunewick::posix {

// Moves `from` to `to` by the first way the file system offers, trying them in turn where
// one is not offered (each is remembered per file system, so ordinary file systems pay
// nothing for the others):
//   1. renameat2 with RENAME_NOREPLACE;
//   2. link, then unlink of the old name;
//   3. reserving the new name by creating it exclusively, then rename() over that
//      reservation, the only file ever replaced; the reservation goes again on failure.
// A change of letter case alone goes through, also where the file system ignores case.
// Nothing changes on refusal; the error tells why.
std::error_code RenameWithoutReplacing(const std::string& from, const std::string& to);

// The ways above, in their order. MoveBy moves by one of them alone, without a change of
// case and without remembering anything: for tests that hold each way to the promise on
// whatever file system they run.
enum class RenameWay { kNoReplaceFlag, kLinkThenUnlink, kReservation };
std::error_code MoveBy(RenameWay way, const std::string& from, const std::string& to);

// A change of letter case where the file system ignores case: the song moves by `move`
// (a move that never replaces, as the ways above) to a free temporary name in its folder,
// then to `to`; when that second move fails, back under its own name. Where both names
// were taken meanwhile, the error says which temporary name the song is left under.
using Mover = std::function<std::error_code(const std::string& from, const std::string& to)>;
std::error_code ChangeCase(const std::string& from, const std::string& to, const Mover& move);

// True when the file system finds the existing file `path` under another letter case
// of its name too. Inode numbers are not trusted alone: FUSE file systems may number
// one file differently under two spellings.
bool IgnoresCase(const std::string& path);

// The refusal that renaming the existing file `path` within its folder would meet for
// what the folder and the file show: a folder this process may not change or on a
// read-only medium, an immutable or append-only folder or file, another user's file in
// a sticky folder. Empty when none is foreseen.
std::error_code ForeseenRenameRefusal(const std::string& path);

}  // namespace tunewick::posix
