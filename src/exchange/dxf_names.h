#pragma once

// The names of a DXF file's layers, text styles and blocks. CAD programs take names that differ
// only in case as one name, and forbid some characters in them; a name that would meet one
// written before it gets a suffix instead ("yol~2"), so that no two of the drawing's layers,
// fonts or symbols become one without a word.

#include <initializer_list>
#include <set>
#include <string>
#include <string_view>

namespace plotaktar {

// A windows-1254 name as CAD programs compare names: A to Z and the Turkish capitals Ç, Ğ, Ö, Ş,
// Ü as their small letters, and I, ı, İ and i as one letter.
std::string FoldedDxfName(std::string_view name);

// A table or block name as CAD programs take it: the characters they forbid, and control
// characters, become "_"; Turkish letters stay; an empty name is "_".
std::string CleanDxfName(std::string_view name);

// The names of one kind (layers, styles or blocks) of one file.
class DxfNameTable {
  public:
    // `reserved`: names the file has already ("0", "Standard", the point blocks' names).
    explicit DxfNameTable(std::initializer_list<std::string_view> reserved);

    struct Written {
        std::string name;      // the name in the file
        bool renamed = false;  // true when a suffix keeps it apart from a name taken before
    };
    // The name written for the next of the drawing's names (windows-1254), each a layer, font
    // or symbol of its own: one that cleans or folds to a name taken before, the same name
    // included, gets the first free suffix "~2", "~3", ...
    Written add(std::string_view name);

  private:
    std::set<std::string> taken_;  // folded
};

}  // namespace plotaktar
