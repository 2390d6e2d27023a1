#pragma once
// Translation between the file-dialog filters the program keeps
// ("description|mask;mask|description|mask...") and Qt's name filters
// ("description (mask mask)"). "*.*" stands for every file, as on Windows;
// Qt writes that mask as "*". Masks hold no blanks.

#include <string>

#include <QStringList>

namespace orthelev {

// One Qt name filter per description and mask-list pair.
QStringList QtNameFilters(const std::string& filter);

// The filter text of Qt name filters made by QtNameFilters; the two are each
// other's inverse for every filter whose masks are not a lone "*".
std::string FilterFromQt(const QStringList& nameFilters);

}  // namespace orthelev
