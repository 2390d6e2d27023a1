#pragma once
// A strict little check of XML well-formedness, enough for the SVG the
// program writes: one root element, balanced tags, quoted attributes,
// and no "<" or bare "&" in text or attribute values.

#include <string>
#include <string_view>
#include <vector>

namespace orthelev::testing {

namespace xml_detail {

inline bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == ':' || c == '.';
}

// Text between markup: "&" only as an entity.
inline bool GoodText(std::string_view text) {
  for (std::size_t at = text.find('&'); at != text.npos; at = text.find('&', at + 1)) {
    const std::string_view rest = text.substr(at);
    bool known = false;
    for (const char* entity : {"&lt;", "&gt;", "&amp;", "&quot;", "&apos;"})
      known = known || rest.rfind(entity, 0) == 0;
    if (!known) return false;
  }
  return true;
}

// The inside of a start tag after its name: name="value" pairs.
inline bool GoodAttributes(std::string_view tag) {
  std::size_t i = 0;
  for (;;) {
    while (i < tag.size() && tag[i] == ' ') ++i;
    if (i == tag.size()) return true;
    const std::size_t name = i;
    while (i < tag.size() && IsNameChar(tag[i])) ++i;
    if (i == name || i + 1 >= tag.size() || tag[i] != '=' || tag[i + 1] != '"') return false;
    const std::size_t close = tag.find('"', i + 2);
    if (close == tag.npos || !GoodText(tag.substr(i + 2, close - i - 2))) return false;
    i = close + 1;
  }
}

}  // namespace xml_detail

// Empty when `xml` is well-formed, else what is wrong.
inline std::string XmlProblem(std::string_view xml) {
  using namespace xml_detail;
  std::vector<std::string> open;
  int roots = 0;
  std::size_t at = 0;
  if (xml.rfind("<?xml", 0) == 0) at = xml.find("?>") + 2;
  while (at < xml.size()) {
    const std::size_t lt = xml.find('<', at);
    if (!GoodText(xml.substr(at, lt - at))) return "bad text at " + std::to_string(at);
    if (lt == xml.npos) break;
    if (open.empty() && xml.substr(at, lt - at).find_first_not_of(" \n") != xml.npos)
      return "text outside the root";
    const std::size_t gt = xml.find('>', lt);
    if (gt == xml.npos) return "unclosed tag";
    std::string_view tag = xml.substr(lt + 1, gt - lt - 1);
    if (tag.find('<') != tag.npos) return "'<' inside a tag";
    if (!tag.empty() && tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return "mismatched </" + std::string(tag);
      open.pop_back();
    } else {
      const bool empty = !tag.empty() && tag.back() == '/';
      if (empty) tag.remove_suffix(1);
      std::size_t nameEnd = 0;
      while (nameEnd < tag.size() && IsNameChar(tag[nameEnd])) ++nameEnd;
      if (nameEnd == 0 || !GoodAttributes(tag.substr(nameEnd)))
        return "bad tag <" + std::string(tag) + ">";
      if (open.empty()) ++roots;
      if (!empty) open.emplace_back(tag.substr(0, nameEnd));
    }
    at = gt + 1;
  }
  if (!open.empty()) return "unclosed <" + open.back() + ">";
  return roots == 1 ? "" : "not one root element";
}

}  // namespace orthelev::testing
