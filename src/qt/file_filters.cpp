#include "qt/file_filters.hpp"

namespace orthelev {

namespace {

constexpr char kEveryFile[] = "*.*";

QString MasksToQt(const QString& masks) {
  QStringList list = masks.split(';');
  for (QString& mask : list)
    if (mask == kEveryFile) mask = "*";
  return list.join(' ');
}

QString MasksFromQt(const QString& masks) {
  QStringList list = masks.split(' ');
  for (QString& mask : list)
    if (mask == "*") mask = kEveryFile;
  return list.join(';');
}

}  // namespace

QStringList QtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  if (filter.empty()) return filters;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString masks = i + 1 < parts.size() ? parts[i + 1] : QString();
    filters << parts[i] + " (" + MasksToQt(masks) + ")";
  }
  return filters;
}

std::string FilterFromQt(const QStringList& nameFilters) {
  QStringList parts;
  for (const QString& nameFilter : nameFilters) {
    // The masks are in the last parentheses; the description may hold others.
    const qsizetype open = nameFilter.lastIndexOf(" (");
    if (open < 0 || !nameFilter.endsWith(')')) {
      parts << nameFilter << "";
      continue;
    }
    parts << nameFilter.left(open)
          << MasksFromQt(nameFilter.mid(open + 2, nameFilter.size() - open - 3));
  }
  return parts.join('|').toStdString();
}

}  // namespace orthelev
