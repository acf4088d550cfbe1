#pragma once

// What the real rename and the dry run must agree on about names: the system's limits,
// when two names differ only in letter case, and the temporary name a change of case
// passes through on a file system that ignores case.

#include <cstddef>
#include <string>
#include <string_view>

namespace tunewick {

// The longest path a system call takes (PATH_MAX less its terminating NUL), in bytes.
inline constexpr std::size_t kLongestPath = 4095;
// The longest file name the common file systems take: in bytes, and where case is ignored
// (FAT, exFAT, and NTFS behind a share) in UTF-16 code units.
inline constexpr std::size_t kLongestName = 255;

// True when `name` is longer than kLongestName on a file system that does (`ignoresCase`)
// or does not ignore letter case. A byte that is not UTF-8 counts as one code unit.
bool NameTooLong(std::string_view name, bool ignoresCase);

// `name` with its letters in one case, as a file system that ignores case compares names:
// UTF-8 letters are folded too; bytes that are not UTF-8 stay as they are.
std::string FoldCase(std::string_view name);

// True when the names differ, and only in letter case.
bool DiffersOnlyInCase(std::string_view a, std::string_view b);

// The free name a change of case tries on its `attempt`-th try, in the song's folder.
// Every such name is kTemporaryNameLength bytes long.
std::string CaseChangeTemporaryName(unsigned attempt);
inline constexpr std::size_t kTemporaryNameLength = 21;
// True for a name CaseChangeTemporaryName gives, in any process.
bool IsCaseChangeTemporaryName(std::string_view name);

}  // namespace tunewick
