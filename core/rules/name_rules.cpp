#include "rules/name_rules.h"

namespace tunewick {
namespace {

bool IsPrefixChar(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == '(' || c == ')' || c == ' ' || c == '-';
}

bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }

char RaiseAscii(char c) { return IsLowerAscii(c) ? static_cast<char>(c - 'a' + 'A') : c; }

bool Contains(std::string_view name, std::string_view part) {
  return name.find(part) != std::string_view::npos;
}

// Copies `name` with one space inserted before the byte at `position`.
std::string InsertSpace(std::string_view name, std::size_t position) {
  std::string result;
  result.reserve(name.size() + 1);
  result.append(name.substr(0, position));
  result.push_back(' ');
  result.append(name.substr(position));
  return result;
}

// The three bytes of the bracket mark for `digit`, or an empty view when the digit has
// no mark.
std::string_view BracketMark(int digit, char (&buffer)[3]) {
  if (digit < 0 || digit > 9) return {};
  buffer[0] = '(';
  buffer[1] = static_cast<char>('0' + digit);
  buffer[2] = ')';
  return std::string_view(buffer, 3);
}

}  // namespace

bool StartsWithPrefix(std::string_view name) { return !name.empty() && IsPrefixChar(name[0]); }

std::string StripPrefix(std::string_view name) {
  std::size_t run = 0;
  while (run < name.size() && IsPrefixChar(name[run])) ++run;
  // Never strip into the extension: if the run covers the last ".", the name would lose
  // the dot that makes it a song file.
  const std::size_t lastDot = name.rfind('.');
  if (lastDot != std::string_view::npos && lastDot < run) return std::string(name);
  return std::string(name.substr(run));
}

bool HasUnderscore(std::string_view name) { return Contains(name, "_"); }

std::string ReplaceUnderscores(std::string_view name) {
  std::string result(name);
  for (char& c : result)
    if (c == '_') c = ' ';
  return result;
}

bool HasSpacedDash(std::string_view name) { return Contains(name, " - "); }

bool NeedsSpaceAfterDash(std::string_view name) { return Contains(name, " -"); }

std::string AddSpaceAfterDash(std::string_view name) {
  const std::size_t found = name.find(" -");
  if (found == std::string_view::npos) return std::string(name);
  return InsertSpace(name, found + 2);
}

bool NeedsSpaceBeforeDash(std::string_view name) { return Contains(name, "- "); }

std::string AddSpaceBeforeDash(std::string_view name) {
  const std::size_t found = name.find("- ");
  if (found == std::string_view::npos) return std::string(name);
  return InsertSpace(name, found);
}

bool NeedsSpacesAroundDashes(std::string_view name) {
  return Contains(name, "-") && !NeedsSpaceAfterDash(name) && !NeedsSpaceBeforeDash(name);
}

std::string SpaceAllDashes(std::string_view name) {
  std::string result;
  result.reserve(name.size() + 8);
  for (char c : name) {
    if (c == '-')
      result.append(" - ");
    else
      result.push_back(c);
  }
  return result;
}

std::string CapitaliseFirstLetter(std::string_view name) {
  std::string result(name);
  if (!result.empty()) result[0] = RaiseAscii(result[0]);
  return result;
}

std::string CapitaliseAfterSpaces(std::string_view name) {
  std::string result(name);
  // Raising a letter never creates or removes a space, so one pass over the bytes raises
  // every letter that follows a space, also after a run of spaces.
  for (std::size_t i = 1; i < result.size(); ++i)
    if (result[i - 1] == ' ') result[i] = RaiseAscii(result[i]);
  if (!result.empty()) result[0] = RaiseAscii(result[0]);
  return result;
}

bool HasBracketNumber(std::string_view name, int digit) {
  char buffer[3];
  const std::string_view mark = BracketMark(digit, buffer);
  return !mark.empty() && Contains(name, mark);
}

bool HasAnyBracketNumber(std::string_view name) {
  for (std::size_t open = name.find('('); open != std::string_view::npos && open + 2 < name.size();
       open = name.find('(', open + 1))
    if (name[open + 1] >= '0' && name[open + 1] <= '9' && name[open + 2] == ')') return true;
  return false;
}

std::string RemoveBracketNumber(std::string_view name, int digit) {
  char buffer[3];
  const std::string_view mark = BracketMark(digit, buffer);
  if (mark.empty()) return std::string(name);
  std::string result;
  result.reserve(name.size());
  std::size_t from = 0;
  for (std::size_t found = name.find(mark); found != std::string_view::npos;
       found = name.find(mark, from)) {
    result.append(name.substr(from, found - from));
    from = found + mark.size();
  }
  result.append(name.substr(from));
  return result;
}

}  // namespace tunewick
