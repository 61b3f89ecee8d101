// Address books on disk: "Adress\" + name + ".adr", one entry per line with the fields name,
// address and note separated by TABs; and the recipient form of an entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace addressbook {

const std::string& BookDirectory();                // "Adress\"
std::string BookPath(std::string_view book_name);  // "Adress\" + name + ".adr"

// Creates the book directory when missing and returns the names of its "*.adr" files
// (without the extension) in listing order.
std::vector<std::string> ListBooks(const platform::FileSystem& fs);

// A name that makes a file directly in the book directory: not empty, no path separator,
// not "." or "..".
bool IsUsableBookName(std::string_view name);

struct Entry {
  std::string name;
  std::string address;
  std::string note;
};

// A line with two fields is read with an empty note.
Entry ParseEntry(std::string_view line);
// Always three fields (an empty note leaves a trailing TAB); TABs and line breaks typed
// into a field become spaces so the line keeps its three fields.
std::string EntryLine(const Entry& entry);

// "\"" + name + "\" <" + address + ">"; the name is copied unchanged.
std::string RecipientForm(const Entry& entry);

// A book's lines: read (blank lines name no one and are skipped) and sorted by the whole
// line without regard to case in the user's locale. Missing file: created empty.
std::vector<std::string> LoadBook(const platform::FileSystem& fs, std::string_view path);
void SaveBook(const platform::FileSystem& fs, std::string_view path,
              const std::vector<std::string>& lines);
void SortEntries(std::vector<std::string>& lines);

// The list view's column order: column 0 (name) in locale order; the others by their text
// with the case of ASCII letters ignored.
int CompareColumn(int column, std::string_view a, std::string_view b);

}  // namespace addressbook
