#pragma once

// A strict check that a text is well-formed XML, for the pictures the
// program writes (SVG). It knows what those files use: one root element,
// elements with quoted attributes, text, the five predefined entities and
// numeric references, comments and a leading declaration; no DTD.

#include <cctype>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

struct XmlElement {
  std::string name;
  std::map<std::string, std::string> attributes;
};

struct XmlCheck {
  bool ok = false;
  std::string error;                  // where and what, when not ok
  std::vector<XmlElement> elements;   // every element, in document order
  std::vector<std::string> texts;     // the text between tags, unescaped, non-blank

  int Count(std::string_view name) const {
    int n = 0;
    for (const XmlElement& e : elements) n += e.name == name;
    return n;
  }
};

inline XmlCheck CheckXml(std::string_view xml) {
  XmlCheck result;
  std::vector<std::string> open;
  std::size_t i = 0;
  const auto fail = [&](const std::string& why) {
    result.error = "at " + std::to_string(i) + ": " + why;
    return result;
  };
  const auto isName = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == ':' || c == '.'; };
  const auto readName = [&]() {
    const std::size_t start = i;
    while (i < xml.size() && isName(xml[i])) ++i;
    return std::string(xml.substr(start, i - start));
  };
  const auto skipBlank = [&]() {
    while (i < xml.size() && std::isspace(static_cast<unsigned char>(xml[i]))) ++i;
  };
  // Unescapes entity references; false for one that XML does not define.
  const auto unescape = [](std::string_view text, std::string& out) {
    static const std::map<std::string, char> kEntities{{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (std::size_t k = 0; k < text.size(); ++k) {
      if (text[k] == '<') return false;
      if (text[k] != '&') {
        out += text[k];
        continue;
      }
      const std::size_t end = text.find(';', k);
      if (end == std::string_view::npos) return false;
      const std::string name(text.substr(k + 1, end - k - 1));
      if (!name.empty() && name[0] == '#') {
        out += '?';
      } else if (const auto it = kEntities.find(name); it != kEntities.end()) {
        out += it->second;
      } else {
        return false;
      }
      k = end;
    }
    return true;
  };
  if (xml.substr(0, 5) == "<?xml") {
    i = xml.find("?>");
    if (i == std::string_view::npos) return fail("unterminated declaration");
    i += 2;
  }
  bool rootSeen = false;
  while (i < xml.size()) {
    if (xml[i] != '<') {
      const std::size_t end = xml.find('<', i);
      const std::string_view text = xml.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
      std::string plain;
      if (!unescape(text, plain)) return fail("bad text or entity");
      if (open.empty() && plain.find_first_not_of(" \t\r\n") != std::string::npos) return fail("text outside the root");
      if (plain.find_first_not_of(" \t\r\n") != std::string::npos) result.texts.push_back(plain);
      i = end == std::string_view::npos ? xml.size() : end;
      continue;
    }
    if (xml.substr(i, 4) == "<!--") {
      const std::size_t end = xml.find("-->", i);
      if (end == std::string_view::npos) return fail("unterminated comment");
      i = end + 3;
      continue;
    }
    if (xml.substr(i, 2) == "</") {
      i += 2;
      const std::string name = readName();
      skipBlank();
      if (i >= xml.size() || xml[i] != '>') return fail("bad end tag");
      ++i;
      if (open.empty() || open.back() != name) return fail("end tag </" + name + "> does not match");
      open.pop_back();
      continue;
    }
    ++i;
    XmlElement element{readName(), {}};
    if (element.name.empty()) return fail("element without a name");
    if (open.empty() && rootSeen) return fail("a second root element");
    rootSeen = true;
    for (;;) {
      skipBlank();
      if (i >= xml.size()) return fail("unterminated tag");
      if (xml[i] == '>' || xml.substr(i, 2) == "/>") break;
      const std::string attribute = readName();
      if (attribute.empty()) return fail("bad attribute");
      skipBlank();
      if (i >= xml.size() || xml[i] != '=') return fail("attribute without a value");
      ++i;
      skipBlank();
      if (i >= xml.size() || (xml[i] != '"' && xml[i] != '\'')) return fail("unquoted attribute");
      const char quote = xml[i++];
      const std::size_t end = xml.find(quote, i);
      if (end == std::string_view::npos) return fail("unterminated attribute");
      std::string value;
      if (!unescape(xml.substr(i, end - i), value)) return fail("bad attribute value");
      if (!element.attributes.emplace(attribute, value).second) return fail("attribute given twice");
      i = end + 1;
    }
    const bool empty = xml[i] == '/';
    i += empty ? 2 : 1;
    if (!empty) open.push_back(element.name);
    result.elements.push_back(std::move(element));
  }
  if (!open.empty()) return fail("element <" + open.back() + "> is not closed");
  if (!rootSeen) return fail("no root element");
  result.ok = true;
  return result;
}

}  // namespace testsupport
